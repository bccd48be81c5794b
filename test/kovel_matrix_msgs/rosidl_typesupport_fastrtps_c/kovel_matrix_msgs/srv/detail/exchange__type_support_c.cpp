// Fast-CDR C type support of the service kovel_matrix_msgs/srv/Exchange: messages that
// nest messages that nest messages, in both directions.
//
// Request:   mode uint8, nested Nested[<=2]
// Response:  success bool, sequences UnboundedSequences, history Nested[]
#include "kovel_matrix_msgs/srv/detail/exchange__rosidl_typesupport_fastrtps_c.h"
#include "kovel_matrix_msgs/srv/detail/exchange__struct.h"
#include "../../detail/nested_types.hpp"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT

using _Exchange_Request__ros_msg_type = kovel_matrix_msgs__srv__Exchange_Request;

static constexpr auto _Exchange_Request__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(Exchange_Request, mode, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Exchange_Request, nested, BoundedSequence<MatrixNested, 2>));

ROSIDL_FASTRTPS_C_MESSAGE(
  kovel_matrix_msgs, srv, Exchange_Request, _Exchange_Request__members)

using _Exchange_Response__ros_msg_type = kovel_matrix_msgs__srv__Exchange_Response;

static constexpr auto _Exchange_Response__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(Exchange_Response, success, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Exchange_Response, sequences, MatrixUnboundedSequences),
  ROSIDL_FASTRTPS_C_MEMBER(Exchange_Response, history, Sequence<MatrixNested>));

ROSIDL_FASTRTPS_C_MESSAGE(
  kovel_matrix_msgs, srv, Exchange_Response, _Exchange_Response__members)

ROSIDL_FASTRTPS_C_SERVICE_FRAME(kovel_matrix_msgs, Exchange)

static const struct BindExchange
{
  BindExchange()
  {
    bind_service(
      _Exchange_Request__type_support, _Exchange_Response__type_support,
      Exchange__callbacks, Exchange__handle,
      rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_matrix_msgs__srv__Exchange_Request,
      rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_matrix_msgs__srv__Exchange_Response);
  }
} bind_exchange;
