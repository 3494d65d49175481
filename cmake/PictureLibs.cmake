# libwebp and libheif let QX5 decode WebP, HEIF and AVIF, which Wine's WIC cannot (and Windows'
# only with extensions from the Store). Found as installed CMake packages: the test, run and
# package scripts build Debian's source packages (scripts/picture-libs.sh) and pass their
# prefix in CMAKE_PREFIX_PATH; on Windows, vcpkg or MSYS2 install them. Without one (or with
# KP_LIBWEBP / KP_LIBHEIF OFF) those pictures go to WIC.
#
# libwebp is linked into QX5. libheif is LGPL: QX5 loads its DLL from the parts folder when
# the first HEIF or AVIF arrives, so the build needs its headers and DLL only, and copies the
# DLL with every non-system DLL it needs (libde265 here) beside QX5, where a user may replace
# them.
include(CheckCXXSourceCompiles)

set(KP_LIBWEBP AUTO CACHE STRING "Decode WebP with libwebp: AUTO, ON or OFF")
set_property(CACHE KP_LIBWEBP PROPERTY STRINGS AUTO ON OFF)
set(KP_LIBHEIF AUTO CACHE STRING "Decode HEIF and AVIF with libheif: AUTO, ON or OFF")
set_property(CACHE KP_LIBHEIF PROPERTY STRINGS AUTO ON OFF)

# A library that KP_LIBxxx=ON asks for but cannot be used stops the configuration; with AUTO
# the reason is printed and the formats go to WIC.
function(kp_picture_lib_missing option reason)
  if(${option} STREQUAL "ON")
    message(FATAL_ERROR "${reason}; set CMAKE_PREFIX_PATH to the library's prefix, or configure with -D${option}=OFF")
  endif()
  message(STATUS "${reason}")
endfunction()

set(KP_WEBP_TARGETS)
if(NOT KP_LIBWEBP STREQUAL "OFF")
  find_package(WebP CONFIG QUIET)
  if(NOT TARGET WebP::webp OR NOT TARGET WebP::webpdemux)
    kp_picture_lib_missing(KP_LIBWEBP "libwebp (WebPConfig.cmake with WebP::webp and WebP::webpdemux) was not found")
  elseif(WebP_VERSION VERSION_LESS 1.2)
    kp_picture_lib_missing(KP_LIBWEBP "libwebp ${WebP_VERSION} was found, 1.2 or later is needed")
  else()
    # Animations are shown by their first frame through WebPAnimDecoder.
    set(CMAKE_REQUIRED_LIBRARIES WebP::webpdemux WebP::webp)
    set(CMAKE_REQUIRED_QUIET ON)
    check_cxx_source_compiles([[
      #include <webp/demux.h>
      int main() { WebPAnimDecoderOptions o; WebPAnimDecoderOptionsInit(&o); return WebPAnimDecoderNew(0, &o) != 0; }
    ]] KP_WEBP_ANIM_DECODER_${WebP_VERSION})
    unset(CMAKE_REQUIRED_LIBRARIES)
    if(KP_WEBP_ANIM_DECODER_${WebP_VERSION})
      set(KP_WEBP_TARGETS WebP::webpdemux WebP::webp)
    else()
      kp_picture_lib_missing(KP_LIBWEBP "libwebp ${WebP_VERSION} was found without a usable WebPAnimDecoder")
    endif()
  endif()
endif()

# The file an imported target stands for (the DLL of a shared library), in the configuration a
# Release build takes.
function(kp_imported_file out target)
  set(location "")
  foreach(property IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION IMPORTED_LOCATION_RELWITHDEBINFO
                   IMPORTED_LOCATION_MINSIZEREL IMPORTED_LOCATION_NOCONFIG)
    get_target_property(location ${target} ${property})
    if(location)
      break()
    endif()
  endforeach()
  set(${out} "${location}" PARENT_SCOPE)
endfunction()

set(KP_HEIF_DLL)
if(NOT KP_LIBHEIF STREQUAL "OFF")
  # libheif's package accepts only its exact version, so the least one is checked here.
  find_package(libheif CONFIG QUIET)
  if(NOT TARGET heif)
    kp_picture_lib_missing(KP_LIBHEIF "libheif (libheif-config.cmake with target heif) was not found")
  else()
    get_target_property(heif_type heif TYPE)
    kp_imported_file(location heif)
    if(libheif_VERSION VERSION_LESS 1.18)
      # Older versions refuse photos from iOS 18 and later.
      kp_picture_lib_missing(KP_LIBHEIF "libheif ${libheif_VERSION} was found, 1.18 or later is needed")
    elseif(NOT heif_type STREQUAL "SHARED_LIBRARY" OR NOT location MATCHES "\\.[dD][lL][lL]$")
      kp_picture_lib_missing(KP_LIBHEIF "libheif ${libheif_VERSION} was found as a static library; QX5 loads it as a DLL")
    else()
      set(KP_HEIF_DLL "${location}")
    endif()
  endif()
endif()

if(KP_WEBP_TARGETS)
  message(STATUS "QX5 decodes WebP with libwebp ${WebP_VERSION}")
  set(KP_HAVE_LIBWEBP 1)
else()
  message(STATUS "QX5 decodes WebP with WIC (no libwebp)")
  set(KP_HAVE_LIBWEBP 0)
endif()
if(KP_HEIF_DLL)
  get_filename_component(KP_HEIF_DLL_NAME "${KP_HEIF_DLL}" NAME)
  message(STATUS "QX5 decodes HEIF and AVIF with libheif ${libheif_VERSION} (${KP_HEIF_DLL_NAME})")
  set(KP_HAVE_LIBHEIF 1)
else()
  message(STATUS "QX5 decodes HEIF and AVIF with WIC (no libheif)")
  set(KP_HAVE_LIBHEIF 0)
endif()

# The licence texts of library lib under prefix: those scripts/picture-libs.sh collects, else
# vcpkg's copyright file or MSYS2's licence folder.
function(kp_picture_lib_licences out lib prefix)
  foreach(pattern "${prefix}/licences/${lib}/*" "${prefix}/share/${lib}/copyright" "${prefix}/share/licenses/${lib}/*")
    file(GLOB texts "${pattern}")
    if(texts)
      break()
    endif()
  endforeach()
  set(${out} "${texts}" PARENT_SCOPE)
endfunction()

# Appends library lib's line to the variable named rows_var: its version (version, else the one our build script
# recorded under prefix) and the Debian source version it was built from (recorded, or
# nothing). Without a version known the library gets no line.
function(kp_picture_lib_row rows_var lib prefix version)
  set(debian "")
  if(EXISTS "${prefix}/versions.txt")
    file(STRINGS "${prefix}/versions.txt" recorded REGEX "^${lib}\t")
    if(recorded)
      list(GET recorded 0 recorded)
      string(REPLACE "\t" ";" recorded "${recorded}")
      list(GET recorded 1 built)
      list(GET recorded 2 debian)
      if(NOT version)
        set(version "${built}")
      endif()
    endif()
  endif()
  if(version)
    set(${rows_var} "${${rows_var}}${lib}\t${version}\t${debian}\n" PARENT_SCOPE)
  endif()
endfunction()

# Copies library lib's licence texts into parts_dir/lib at every build.
function(kp_picture_lib_copy_licences lib prefix parts_dir)
  kp_picture_lib_licences(texts ${lib} "${prefix}")
  if(NOT texts)
    message(WARNING "${lib}'s licence texts were not found under ${prefix}; a release must carry them")
    return()
  endif()
  add_custom_command(TARGET kp_picture_libs POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory "${parts_dir}/${lib}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${texts} "${parts_dir}/${lib}"
    VERBATIM)
endfunction()

# Puts libwebp into target, defines what its code tests (KP_HAVE_LIBWEBP, KP_HAVE_LIBHEIF,
# KP_LIBHEIF_DLL), copies the DLLs and every library's licence texts into the parts folder at
# each build, and writes generated/picture-libs.txt: one line per library QX5 carries,
# libjpeg-turbo's included (name, version, Debian source version or nothing; tab-separated),
# which the release script and the benchmark read.
function(kp_use_picture_libs target parts_dir)
  target_compile_definitions(${target} PUBLIC KP_HAVE_LIBWEBP=${KP_HAVE_LIBWEBP} KP_HAVE_LIBHEIF=${KP_HAVE_LIBHEIF})
  # What an earlier configuration copied must not outlive it.
  file(GLOB old_dlls "${parts_dir}/*.dll")
  file(REMOVE_RECURSE ${old_dlls} "${parts_dir}/libwebp" "${parts_dir}/libheif" "${parts_dir}/libde265" "${parts_dir}/dav1d")
  add_custom_target(kp_picture_libs ALL)
  add_dependencies(${target} kp_picture_libs)

  set(rows "")
  if(KP_JPEG_TARGET)
    get_filename_component(prefix "${libjpeg-turbo_DIR}/../../.." ABSOLUTE)
    kp_picture_lib_row(rows libjpeg-turbo "${prefix}" "${libjpeg-turbo_VERSION}")
  endif()

  if(KP_WEBP_TARGETS)
    target_link_libraries(${target} PUBLIC ${KP_WEBP_TARGETS})
    get_filename_component(prefix "${WebP_DIR}/../../.." ABSOLUTE)
    kp_picture_lib_row(rows libwebp "${prefix}" "${WebP_VERSION}")
    kp_picture_lib_copy_licences(libwebp "${prefix}" "${parts_dir}")
  endif()

  if(KP_HEIF_DLL)
    target_compile_definitions(${target} PUBLIC "KP_LIBHEIF_DLL=L\"${KP_HEIF_DLL_NAME}\"")
    # Its headers only: the package also hands its own build's export definitions to users.
    get_target_property(includes heif INTERFACE_INCLUDE_DIRECTORIES)
    target_include_directories(${target} SYSTEM PUBLIC ${includes})
    get_filename_component(prefix "${libheif_DIR}/../../.." ABSOLUTE)
    kp_picture_lib_row(rows libheif "${prefix}" "${libheif_VERSION}")
    foreach(lib libheif libde265 dav1d)
      kp_picture_lib_copy_licences(${lib} "${prefix}" "${parts_dir}")
    endforeach()
    kp_picture_lib_row(rows libde265 "${prefix}" "")
    kp_picture_lib_row(rows dav1d "${prefix}" "")
  endif()

  # The DLLs QX5 needs beside it: libheif's, any library found as a DLL (vcpkg's dynamic
  # triplets), and every non-system DLL those need, found in their own folders as Windows
  # would load them.
  set(dlls ${KP_HEIF_DLL})
  foreach(lib IN LISTS KP_JPEG_TARGET KP_WEBP_TARGETS)
    get_target_property(type ${lib} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
      kp_imported_file(location ${lib})
      list(APPEND dlls "${location}")
    endif()
  endforeach()
  if(dlls)
    set(tool "")
    if(MINGW)
      set(tool "-DOBJDUMP=${CMAKE_OBJDUMP}")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} "-DDLLS=${dlls}" ${tool} -P ${CMAKE_SOURCE_DIR}/cmake/RuntimeDlls.cmake
                    OUTPUT_VARIABLE needed OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "The DLLs that ${dlls} need could not be listed")
    endif()
    list(APPEND dlls ${needed})
    list(REMOVE_DUPLICATES dlls)
    set(names)
    foreach(dll IN LISTS dlls)
      get_filename_component(name "${dll}" NAME)
      list(APPEND names "${name}")
    endforeach()
    list(JOIN names ", " names)
    message(STATUS "QX5 has beside it: ${names}")
    add_custom_command(TARGET kp_picture_libs POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E make_directory "${parts_dir}"
      COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dlls} "${parts_dir}"
      VERBATIM)
  endif()
  file(WRITE "${CMAKE_BINARY_DIR}/generated/picture-libs.txt" "${rows}")
endfunction()
