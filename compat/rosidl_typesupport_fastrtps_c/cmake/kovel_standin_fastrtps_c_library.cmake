# kovel_standin_fastrtps_c_library(MESSAGES <msg files> SOURCES <sources>
#                                  [DEPENDENCIES <message packages>])
#
# The build of a message stand-in: its records, C++ headers and C introspection type support
# from the rosidl generators, then its hand-written Fast-CDR C type support, the library
# ${PROJECT_NAME}__rosidl_typesupport_fastrtps_c over SOURCES and include/, linked to the
# same library of each of DEPENDENCIES; installs and exports all of it. A macro, not a
# function: the rosidl and ament commands it calls record their exports in the caller's scope,
# where ament_package() reads them.
macro(kovel_standin_fastrtps_c_library)
  cmake_parse_arguments(_kovel_standin "" "" "MESSAGES;SOURCES;DEPENDENCIES" ${ARGN})
  if(_kovel_standin_UNPARSED_ARGUMENTS OR NOT _kovel_standin_MESSAGES OR NOT _kovel_standin_SOURCES)
    message(FATAL_ERROR "kovel_standin_fastrtps_c_library: MESSAGES and SOURCES are needed, "
      "then DEPENDENCIES only; unexpected: ${_kovel_standin_UNPARSED_ARGUMENTS}")
  endif()

  set(CMAKE_CXX_STANDARD 17)
  set(CMAKE_CXX_STANDARD_REQUIRED ON)

  # The generators by name: C records, C++ headers, and the C introspection type support.
  find_package(rosidl_cmake REQUIRED)
  find_package(rosidl_generator_c REQUIRED)
  find_package(rosidl_generator_cpp REQUIRED)
  find_package(rosidl_typesupport_introspection_c REQUIRED)
  set(_kovel_standin_links)
  foreach(_kovel_standin_dependency IN LISTS _kovel_standin_DEPENDENCIES)
    find_package(${_kovel_standin_dependency} REQUIRED)
    list(APPEND _kovel_standin_links
      ${_kovel_standin_dependency}::${_kovel_standin_dependency}__rosidl_typesupport_fastrtps_c)
  endforeach()

  rosidl_generate_interfaces(${PROJECT_NAME} ${_kovel_standin_MESSAGES}
    DEPENDENCIES ${_kovel_standin_DEPENDENCIES})

  find_package(fastcdr REQUIRED)
  find_package(rosidl_runtime_c REQUIRED)
  find_package(rosidl_typesupport_fastrtps_cpp REQUIRED)

  set(_kovel_standin_library ${PROJECT_NAME}__rosidl_typesupport_fastrtps_c)
  add_library(${_kovel_standin_library} SHARED ${_kovel_standin_SOURCES})
  rosidl_get_typesupport_target(_kovel_standin_records ${PROJECT_NAME} rosidl_generator_c)
  target_include_directories(${_kovel_standin_library} PUBLIC
    "$<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>"
    "$<INSTALL_INTERFACE:include/${PROJECT_NAME}>")
  target_link_libraries(${_kovel_standin_library} PUBLIC ${_kovel_standin_records} fastcdr
    rosidl_runtime_c::rosidl_runtime_c
    rosidl_typesupport_fastrtps_c::rosidl_typesupport_fastrtps_c
    rosidl_typesupport_fastrtps_cpp::rosidl_typesupport_fastrtps_cpp
    ${_kovel_standin_links})
  set_target_properties(${_kovel_standin_library} PROPERTIES
    CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)

  install(DIRECTORY include/ DESTINATION include/${PROJECT_NAME})
  install(TARGETS ${_kovel_standin_library} EXPORT export_${_kovel_standin_library}
    ARCHIVE DESTINATION lib LIBRARY DESTINATION lib RUNTIME DESTINATION bin)
  ament_export_targets(export_${_kovel_standin_library})
  rosidl_export_typesupport_targets(__rosidl_typesupport_fastrtps_c ${_kovel_standin_library})
  ament_export_dependencies(rosidl_runtime_c rosidl_typesupport_introspection_c fastcdr
    rosidl_typesupport_fastrtps_c rosidl_typesupport_fastrtps_cpp ${_kovel_standin_DEPENDENCIES})
endmacro()
