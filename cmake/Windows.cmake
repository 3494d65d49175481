# Windows build: Kotopane.exe, QX5.exe, the ready program folder and the tests that run under Wine.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
if(MINGW)
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
endif()
enable_language(RC)

set(KP_WIN_LIBS user32 gdi32 kernel32 comctl32 comdlg32 shell32 shlwapi ole32 oleaut32 windowscodecs uuid winmm)

set(KP_FOLDER ${CMAKE_BINARY_DIR}/Kotopane)
set(KP_APP_DIR ${KP_FOLDER}/App)
set(KP_PARTS_DIR "${KP_FOLDER}/部品")

# The project version reaches both programs' version resources and the manifest from here.
set(KP_GENERATED ${CMAKE_BINARY_DIR}/generated)
configure_file(resources/Version.h.in ${KP_GENERATED}/KpVersion.h @ONLY)
configure_file(resources/Kotopane.manifest.in ${KP_GENERATED}/Kotopane.manifest @ONLY)
file(WRITE ${KP_GENERATED}/version.txt "${PROJECT_VERSION}\n")

add_library(kp_core STATIC ${KP_PURE_SOURCES} ${KP_WIN_SOURCES})
target_link_libraries(kp_core PUBLIC ${KP_WIN_LIBS})

add_executable(Kotopane WIN32 app/WinMain_win.cpp resources/Kotopane.rc)
target_link_libraries(Kotopane PRIVATE kp_core)
if(MINGW)
  target_link_options(Kotopane PRIVATE -municode)
endif()
target_include_directories(Kotopane PRIVATE ${KP_GENERATED})
set_target_properties(Kotopane PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KP_APP_DIR})

list(FILTER QX5_WIN_SOURCES EXCLUDE REGEX "/converter/QX5Main_win\\.cpp$")
# The converter walks code page 932 text by the same rule as Kotopane.
add_library(qx5_core STATIC ${QX5_PURE_SOURCES} ${QX5_WIN_SOURCES} ${CMAKE_SOURCE_DIR}/base/Cp932.cpp
            ${CMAKE_SOURCE_DIR}/base/PictureFit.cpp ${CMAKE_SOURCE_DIR}/base/PictureKind.cpp)
target_link_libraries(qx5_core PUBLIC ${KP_WIN_LIBS})
include(cmake/LibjpegTurbo.cmake)
kp_use_libjpeg_turbo(qx5_core "${KP_PARTS_DIR}")
include(cmake/PictureLibs.cmake)
kp_use_picture_libs(qx5_core "${KP_PARTS_DIR}")
add_executable(QX5 WIN32 converter/QX5Main_win.cpp resources/QX5.rc)
target_link_libraries(QX5 PRIVATE qx5_core)
target_include_directories(QX5 PRIVATE ${KP_GENERATED})
if(MINGW)
  target_link_options(QX5 PRIVATE -municode)
endif()
set_target_properties(QX5 PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KP_PARTS_DIR})

# The heart picture ships in the parts folder; the settings folder is the program's own business.
add_custom_command(TARGET Kotopane POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E make_directory "${KP_PARTS_DIR}"
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/resources/heart.bmp "${KP_PARTS_DIR}/★ハート.bmp")

# The usage guide that start-up opens ships in the parts folder too; kept as its own
# step so that an edited guide is copied even when the program is not relinked.
set(KP_GUIDE "${KP_PARTS_DIR}/使い方.html")
add_custom_command(OUTPUT "${KP_GUIDE}"
  COMMAND ${CMAKE_COMMAND} -E make_directory "${KP_PARTS_DIR}"
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/guide.html "${KP_GUIDE}"
  DEPENDS ${CMAKE_SOURCE_DIR}/resources/guide.html
  VERBATIM)
add_custom_target(kp_guide ALL DEPENDS "${KP_GUIDE}")
add_dependencies(Kotopane kp_guide)

include(cmake/WineTests.cmake)
include(cmake/ReleaseTest.cmake)
