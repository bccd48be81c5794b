// Uses the generated record functions of every kovel_camera_msgs type as a C user does:
// create, init, copy, compare, sequences, fini and destroy.
// Usage: records N, where N is the number of message types the package installs.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "kovel_camera_msgs/msg/device_info.h"
#include "kovel_camera_msgs/msg/extrinsics.h"
#include "kovel_camera_msgs/msg/metadata.h"
#include "kovel_camera_msgs/srv/get_camera_info.h"
#include "kovel_camera_msgs/srv/get_camera_params.h"
#include "kovel_camera_msgs/srv/get_device_info.h"
#include "kovel_camera_msgs/srv/get_string.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"

static int failures = 0;

#define CHECK(condition) \
  do { \
    if (!(condition)) { \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures; \
    } \
  } while (0)

// Runs type T's functions; FILL sets record m apart from a default one. The generated init
// leaves members without a default as they are, so a record starts zeroed, as create does.
#define EXERCISE(T, FILL) \
  do { \
    T * a = T##__create(); \
    T b; \
    memset(&b, 0, sizeof b); \
    if (a == NULL || !T##__init(&b)) { \
      CHECK(!"create and init " #T); \
      break; \
    } \
    CHECK(T##__are_equal(a, &b)); \
    { \
      T * m = a; \
      FILL; \
    } \
    CHECK(!T##__are_equal(a, &b)); \
    CHECK(T##__copy(a, &b) && T##__are_equal(a, &b)); \
    T##__Sequence * s = T##__Sequence__create(3); \
    T##__Sequence t; \
    CHECK(s != NULL && s->size == 3 && T##__Sequence__init(&t, 0)); \
    CHECK(T##__copy(&b, &s->data[2])); \
    CHECK(!T##__Sequence__are_equal(s, &t)); \
    CHECK(T##__Sequence__copy(s, &t) && T##__Sequence__are_equal(s, &t)); \
    CHECK(t.size == 3 && T##__are_equal(&t.data[2], a) && !T##__are_equal(&t.data[0], a)); \
    T##__Sequence__fini(&t); \
    T##__Sequence__destroy(s); \
    T##__fini(&b); \
    T##__destroy(a); \
    ++types; \
  } while (0)

#define ASSIGN(string, text) CHECK(rosidl_runtime_c__String__assign(&(string), text))

int main(int argc, char ** argv)
{
  int types = 0;
  EXERCISE(kovel_camera_msgs__msg__DeviceInfo,
    ASSIGN(m->header.frame_id, "cam"); ASSIGN(m->serial_number, "KV-0001"); m->vid = 11205);
  EXERCISE(kovel_camera_msgs__msg__Metadata, ASSIGN(m->json_data, "{\"fps\": 30}"));
  EXERCISE(kovel_camera_msgs__msg__Extrinsics, m->rotation[8] = 1.0; m->translation[2] = -0.05);
  EXERCISE(kovel_camera_msgs__srv__GetDeviceInfo_Request,
    m->structure_needs_at_least_one_member = 1);
  EXERCISE(kovel_camera_msgs__srv__GetDeviceInfo_Response,
    ASSIGN(m->info.name, "K"); m->success = true);
  EXERCISE(kovel_camera_msgs__srv__GetCameraInfo_Request,
    m->structure_needs_at_least_one_member = 1);
  EXERCISE(kovel_camera_msgs__srv__GetCameraInfo_Response,
    CHECK(rosidl_runtime_c__double__Sequence__init(&m->info.d, 5));
    m->info.d.data[4] = 0.25; m->info.width = 1280; ASSIGN(m->message, "ok"));
  EXERCISE(kovel_camera_msgs__srv__GetCameraParams_Request,
    m->structure_needs_at_least_one_member = 1);
  EXERCISE(kovel_camera_msgs__srv__GetCameraParams_Response, m->l_k[4] = 0.5f);
  EXERCISE(kovel_camera_msgs__srv__GetString_Request,
    m->structure_needs_at_least_one_member = 1);
  EXERCISE(kovel_camera_msgs__srv__GetString_Response, ASSIGN(m->data, "text"));

  // Every installed type is covered: the tier passes their number.
  int expected = argc > 1 ? atoi(argv[1]) : -1;
  CHECK(types == expected);
  printf("records: %d types, %d failures\n", types, failures);
  return failures == 0 ? 0 : 1;
}
