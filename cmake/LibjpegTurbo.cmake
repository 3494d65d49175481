# libjpeg-turbo lets QX5 decode JPEGs at the scale the screen shows them. Found as an
# installed CMake package: the test, run and package scripts build Debian's source package
# and pass libjpeg-turbo_DIR; on Windows, vcpkg or MSYS2 install one. Without it (or with
# KP_LIBJPEG_TURBO=OFF) WIC decodes every picture at full size.
set(KP_LIBJPEG_TURBO AUTO CACHE STRING "Decode JPEGs with libjpeg-turbo: AUTO, ON or OFF")
set_property(CACHE KP_LIBJPEG_TURBO PROPERTY STRINGS AUTO ON OFF)
set(KP_JPEG_TARGET)
if(NOT KP_LIBJPEG_TURBO STREQUAL "OFF")
  find_package(libjpeg-turbo 2.1 CONFIG QUIET)
  if(TARGET libjpeg-turbo::jpeg-static)
    set(KP_JPEG_TARGET libjpeg-turbo::jpeg-static)
  elseif(TARGET libjpeg-turbo::jpeg)
    set(KP_JPEG_TARGET libjpeg-turbo::jpeg)
  endif()
  if(NOT KP_JPEG_TARGET AND KP_LIBJPEG_TURBO STREQUAL "ON")
    message(FATAL_ERROR "libjpeg-turbo 2.1 or later was not found: set libjpeg-turbo_DIR to the folder of "
                        "libjpeg-turboConfig.cmake, or configure with -DKP_LIBJPEG_TURBO=OFF")
  endif()
endif()
if(KP_JPEG_TARGET)
  message(STATUS "QX5 decodes JPEGs with libjpeg-turbo ${libjpeg-turbo_VERSION}")
  set(KP_HAVE_LIBJPEG_TURBO 1)
else()
  message(STATUS "QX5 decodes JPEGs with WIC (no libjpeg-turbo)")
  set(KP_HAVE_LIBJPEG_TURBO 0)
endif()

# Puts libjpeg-turbo into target and its licence texts (LICENSE.md, README.ijg and the zlib
# licence, as scripts/libjpeg-turbo.sh collects them) beside QX5 in the parts folder.
function(kp_use_libjpeg_turbo target parts_dir)
  target_compile_definitions(${target} PUBLIC KP_HAVE_LIBJPEG_TURBO=${KP_HAVE_LIBJPEG_TURBO})
  set(licences "${parts_dir}/libjpeg-turbo")
  file(REMOVE_RECURSE "${licences}")
  if(NOT KP_JPEG_TARGET)
    return()
  endif()
  target_link_libraries(${target} PUBLIC ${KP_JPEG_TARGET})
  get_filename_component(prefix "${libjpeg-turbo_DIR}/../../.." ABSOLUTE)
  file(GLOB texts "${prefix}/licences/*")
  if(NOT texts)
    # vcpkg keeps the package in share/libjpeg-turbo with its copyright file.
    file(GLOB texts "${libjpeg-turbo_DIR}/copyright" "${prefix}/share/doc/libjpeg-turbo/LICENSE.md"
                    "${prefix}/share/doc/libjpeg-turbo/README.ijg")
  endif()
  if(texts)
    file(COPY ${texts} DESTINATION "${licences}")
  else()
    message(WARNING "libjpeg-turbo's licence texts were not found; a release must carry them")
  endif()
endfunction()
