# The bundled demo disk that ./scripts/tarnwell lists when it is given no
# disk: unpacked into build/fixtures/demo/ by its own target, so that the
# first run needs neither the test suite nor its fixtures.
set(TARNWELL_DEMO_ARCHIVE ${PROJECT_SOURCE_DIR}/tests/fixtures/demo/demo-disk.img.xz)
set(TARNWELL_DEMO_DISK ${CMAKE_BINARY_DIR}/fixtures/demo/demo-disk.img)
add_custom_command(OUTPUT ${TARNWELL_DEMO_DISK}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/fixtures/demo
  COMMAND xz -dc ${TARNWELL_DEMO_ARCHIVE} > ${TARNWELL_DEMO_DISK}
  DEPENDS ${TARNWELL_DEMO_ARCHIVE}
  COMMENT "Unpacking the demo disk")
add_custom_target(tarnwell_demo_disk ALL DEPENDS ${TARNWELL_DEMO_DISK})
