# Included by the `windows` preset at the first project() call: makes sure
# the cross-built static libjpeg-turbo is in its cache prefix (building it
# on first use) and lets find_package(JPEG) find it there.
set(PICTARN_LIBJPEG_PREFIX "${CMAKE_SOURCE_DIR}/.cache/libjpeg-windows"
    CACHE PATH "Prefix of the static libjpeg-turbo built for Windows")

if(NOT EXISTS "${PICTARN_LIBJPEG_PREFIX}/lib/libjpeg.a")
  message(STATUS "Building libjpeg-turbo for Windows into ${PICTARN_LIBJPEG_PREFIX}")
  execute_process(
    COMMAND "${CMAKE_SOURCE_DIR}/scripts/build-libjpeg-windows.sh" "${PICTARN_LIBJPEG_PREFIX}"
    RESULT_VARIABLE pictarn_libjpeg_result
    OUTPUT_QUIET)
  if(NOT pictarn_libjpeg_result EQUAL 0)
    message(FATAL_ERROR "scripts/build-libjpeg-windows.sh failed (${pictarn_libjpeg_result})")
  endif()
endif()

# The toolchain searches only below its root paths; the prefix becomes one.
list(APPEND CMAKE_FIND_ROOT_PATH "${PICTARN_LIBJPEG_PREFIX}")
list(APPEND CMAKE_PREFIX_PATH "${PICTARN_LIBJPEG_PREFIX}")
