// Stand-in for the ROS 2 package rosidl_typesupport_fastrtps_cpp: the callbacks record a
// Fast-CDR message type support hands to the middleware through its handle's `data`.
#ifndef ROSIDL_TYPESUPPORT_FASTRTPS_CPP__MESSAGE_TYPE_SUPPORT_H_
#define ROSIDL_TYPESUPPORT_FASTRTPS_CPP__MESSAGE_TYPE_SUPPORT_H_

#include <stddef.h>
#include <stdint.h>

#include <fastcdr/Cdr.h>

#include "rosidl_runtime_c/message_type_support_struct.h"

typedef struct message_type_support_callbacks_t
{
  const char * message_namespace_;
  const char * message_name_;
  /// Writes the message into the stream; false (with a text on stderr) on a bad record.
  bool (* cdr_serialize)(const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr);
  /// Fills the message from the stream; false (with a text on stderr) on failure.
  bool (* cdr_deserialize)(eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message);
  /// Serialized size of the message from stream position 0.
  uint32_t (* get_serialized_size)(const void * untyped_ros_message);
  /// Largest serialized size from position 0; clears full_bounded when it is no bound.
  size_t (* max_serialized_size)(bool & full_bounded);
} message_type_support_callbacks_t;

#endif  // ROSIDL_TYPESUPPORT_FASTRTPS_CPP__MESSAGE_TYPE_SUPPORT_H_
