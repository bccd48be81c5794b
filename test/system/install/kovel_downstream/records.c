// Uses the generated record functions of every kovel_camera_msgs type as a C user does:
// create, init, copy, compare, sequences, fini and destroy.
// Usage: records N, where N is the number of message types the package installs.
#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "package_types.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_introspection_c/field_types.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"

static int failures = 0;

#define CHECK(condition) \
  do { \
    if (!(condition)) { \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures; \
    } \
  } while (0)

typedef rosidl_typesupport_introspection_c__MessageMembers Members;
typedef rosidl_typesupport_introspection_c__MessageMember Member;

static void change(const Members * members, void * record);

// One value other than the one it holds: a number one more, a boolean negated, text longer.
static void change_value(const Member * m, void * v)
{
  switch (m->type_id_) {
    case rosidl_typesupport_introspection_c__ROS_TYPE_FLOAT: *(float *)v += 1; break;
    case rosidl_typesupport_introspection_c__ROS_TYPE_DOUBLE: *(double *)v += 1; break;
    case rosidl_typesupport_introspection_c__ROS_TYPE_LONG_DOUBLE: *(long double *)v += 1; break;
    case rosidl_typesupport_introspection_c__ROS_TYPE_BOOLEAN: *(bool *)v = !*(bool *)v; break;
    case rosidl_typesupport_introspection_c__ROS_TYPE_CHAR:
    case rosidl_typesupport_introspection_c__ROS_TYPE_OCTET:
    case rosidl_typesupport_introspection_c__ROS_TYPE_UINT8:
    case rosidl_typesupport_introspection_c__ROS_TYPE_INT8: *(uint8_t *)v += 1; break;
    case rosidl_typesupport_introspection_c__ROS_TYPE_UINT16:
    case rosidl_typesupport_introspection_c__ROS_TYPE_INT16: *(uint16_t *)v += 1; break;
    case rosidl_typesupport_introspection_c__ROS_TYPE_UINT32:
    case rosidl_typesupport_introspection_c__ROS_TYPE_INT32: *(uint32_t *)v += 1; break;
    case rosidl_typesupport_introspection_c__ROS_TYPE_UINT64:
    case rosidl_typesupport_introspection_c__ROS_TYPE_INT64: *(uint64_t *)v += 1; break;
    case rosidl_typesupport_introspection_c__ROS_TYPE_STRING: {
        rosidl_runtime_c__String * s = v;
        char text[256];
        snprintf(text, sizeof text, "%.250s+", s->data);
        CHECK(rosidl_runtime_c__String__assign(s, text));
        break;
      }
    case rosidl_typesupport_introspection_c__ROS_TYPE_MESSAGE:
      change(m->members_->data, v);
      break;
    default:
      break;  // wstring: no kovel_camera_msgs type has one
  }
}

// Changes every member of a record, those of nested records too; a sequence gets one
// element more.
static void change(const Members * members, void * record)
{
  for (uint32_t i = 0; i < members->member_count_; ++i) {
    const Member * m = &members->members_[i];
    void * at = (char *)record + m->offset_;
    if (!m->is_array_) {
      change_value(m, at);
      continue;
    }
    size_t count = m->array_size_;
    if (m->array_size_ == 0 || m->is_upper_bound_) {
      count = m->size_function(at) + 1;
      if (m->is_upper_bound_ && count > m->array_size_) {
        count = m->array_size_;
      }
      CHECK(m->resize_function(at, count));
    }
    for (size_t e = 0; e < count; ++e) {
      change_value(m, m->get_function(at, e));
    }
  }
}

// Runs type T's functions. The generated init leaves members without a default as they
// are, so a record starts zeroed, as create does.
#define EXERCISE(package, kind, name) \
  do { \
    typedef package##__##kind##__##name T; \
    const Members * members = ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME( \
      rosidl_typesupport_introspection_c, package, kind, name)()->data; \
    T * a = package##__##kind##__##name##__create(); \
    T b; \
    memset(&b, 0, sizeof b); \
    if (a == NULL || !package##__##kind##__##name##__init(&b)) { \
      CHECK(!"create and init " #name); \
      break; \
    } \
    CHECK(package##__##kind##__##name##__are_equal(a, &b)); \
    change(members, a); \
    CHECK(!package##__##kind##__##name##__are_equal(a, &b)); \
    CHECK(package##__##kind##__##name##__copy(a, &b) && \
      package##__##kind##__##name##__are_equal(a, &b)); \
    package##__##kind##__##name##__Sequence * s = \
      package##__##kind##__##name##__Sequence__create(3); \
    package##__##kind##__##name##__Sequence t; \
    CHECK(s != NULL && s->size == 3 && package##__##kind##__##name##__Sequence__init(&t, 0)); \
    CHECK(package##__##kind##__##name##__copy(&b, &s->data[2])); \
    CHECK(!package##__##kind##__##name##__Sequence__are_equal(s, &t)); \
    CHECK(package##__##kind##__##name##__Sequence__copy(s, &t) && \
      package##__##kind##__##name##__Sequence__are_equal(s, &t)); \
    CHECK(t.size == 3 && package##__##kind##__##name##__are_equal(&t.data[2], a) && \
      !package##__##kind##__##name##__are_equal(&t.data[0], a)); \
    package##__##kind##__##name##__Sequence__fini(&t); \
    package##__##kind##__##name##__Sequence__destroy(s); \
    package##__##kind##__##name##__fini(&b); \
    package##__##kind##__##name##__destroy(a); \
    ++types; \
  } while (0);

int main(int argc, char ** argv)
{
  int types = 0;
  KOVEL_PACKAGE_TYPES(EXERCISE)

  // Every installed type is covered: the tier passes their number.
  int expected = argc > 1 ? atoi(argv[1]) : -1;
  CHECK(types == expected);
  printf("records: %d types, %d failures\n", types, failures);
  return failures == 0 ? 0 : 1;
}
