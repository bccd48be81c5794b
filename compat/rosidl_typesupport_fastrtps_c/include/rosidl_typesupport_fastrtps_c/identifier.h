// Stand-in for the ROS 2 package rosidl_typesupport_fastrtps_c: the identifier every
// Fast-CDR C type support stores in its handles. Handles hold this pointer, not a copy.
#ifndef ROSIDL_TYPESUPPORT_FASTRTPS_C__IDENTIFIER_H_
#define ROSIDL_TYPESUPPORT_FASTRTPS_C__IDENTIFIER_H_

#include "rosidl_typesupport_fastrtps_c/visibility_control.h"

#ifdef __cplusplus
extern "C"
{
#endif

/// The text "rosidl_typesupport_fastrtps_c", owned by this library.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC
extern const char * rosidl_typesupport_fastrtps_c__identifier;

#ifdef __cplusplus
}
#endif

#endif  // ROSIDL_TYPESUPPORT_FASTRTPS_C__IDENTIFIER_H_
