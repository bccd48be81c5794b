// Fast-CDR C type support of std_msgs/msg/Header: builtin_interfaces/Time stamp, string
// frame_id.
#include <cstdint>

#include <fastcdr/Cdr.h>

#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_c.h"
#include "rosidl_typesupport_fastrtps_c/standin_type_support.hpp"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__struct.h"

using eprosima::fastcdr::Cdr;
using rosidl_typesupport_fastrtps_c_standin::read_string;
using rosidl_typesupport_fastrtps_c_standin::report;
using rosidl_typesupport_fastrtps_c_standin::write_string;

namespace
{

using Header = std_msgs__msg__Header;

const message_type_support_callbacks_t * time_callbacks()
{
  return static_cast<const message_type_support_callbacks_t *>(
    ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME(
      rosidl_typesupport_fastrtps_c, builtin_interfaces, msg, Time)()->data);
}

bool cdr_serialize(const void * untyped_ros_message, Cdr & cdr)
{
  if (untyped_ros_message == nullptr) {
    report("ros message handle is null\n");
    return false;
  }
  const auto * m = static_cast<const Header *>(untyped_ros_message);
  return time_callbacks()->cdr_serialize(&m->stamp, cdr) && write_string(m->frame_id, cdr);
}

bool cdr_deserialize(Cdr & cdr, void * untyped_ros_message)
{
  if (untyped_ros_message == nullptr) {
    report("ros message handle is null\n");
    return false;
  }
  auto * m = static_cast<Header *>(untyped_ros_message);
  return time_callbacks()->cdr_deserialize(cdr, &m->stamp) &&
         read_string(cdr, m->frame_id, "frame_id");
}

}  // namespace

size_t get_serialized_size_std_msgs__msg__Header(
  const void * untyped_ros_message, size_t current_alignment)
{
  const auto * m = static_cast<const Header *>(untyped_ros_message);
  size_t c = current_alignment;
  c += get_serialized_size_builtin_interfaces__msg__Time(&m->stamp, c);
  c += 4 + Cdr::alignment(c, 4) + m->frame_id.size + 1;
  return c - current_alignment;
}

size_t max_serialized_size_std_msgs__msg__Header(bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_serialized_size_builtin_interfaces__msg__Time(full_bounded, c);
  full_bounded = false;  // frame_id is unbounded: counted empty
  c += 4 + Cdr::alignment(c, 4) + 1;
  return c - current_alignment;
}

ROSIDL_TYPESUPPORT_FASTRTPS_C_STANDIN_MESSAGE(std_msgs, Header)
