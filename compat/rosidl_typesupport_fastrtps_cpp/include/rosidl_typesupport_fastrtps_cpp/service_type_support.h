// Stand-in for the ROS 2 package rosidl_typesupport_fastrtps_cpp: the service record that
// pairs a service's request and response message handles.
#ifndef ROSIDL_TYPESUPPORT_FASTRTPS_CPP__SERVICE_TYPE_SUPPORT_H_
#define ROSIDL_TYPESUPPORT_FASTRTPS_CPP__SERVICE_TYPE_SUPPORT_H_

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_c/service_type_support_struct.h"

typedef struct service_type_support_callbacks_t
{
  const char * service_namespace_;
  const char * service_name_;
  const rosidl_message_type_support_t * request_members_;
  const rosidl_message_type_support_t * response_members_;
} service_type_support_callbacks_t;

#endif  // ROSIDL_TYPESUPPORT_FASTRTPS_CPP__SERVICE_TYPE_SUPPORT_H_
