# The dialog side of the platform layer and the program.
#
# zq_win32: the Win32 dialog subset (dialog manager, USER32 functions,
# code page conversion, the process's command line), the headless renderer
# and the resources; no toolkit. zq_qt_renderer and the program zq-register
# add the Qt 6 renderer and the entry.

add_library(zq_win32 STATIC
  platform/codepage.cpp
  platform/dialog_manager.cpp
  platform/user32.cpp
  platform/process_command_line.cpp
  platform/resources.cpp
  platform/headless_renderer.cpp
  res/dialog_102.cpp
  res/string_table.cpp
  res/icons.cpp)
target_include_directories(zq_win32 PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(zq_win32 PUBLIC ZQ_RANKING_HOST="${ZQ_RANKING_HOST}")
target_link_libraries(zq_win32 PUBLIC zq_platform_base)
# The core calls the Win32 functions that zq_win32 provides.
target_link_libraries(zq_core PUBLIC zq_win32)

if(ZQ_WITH_QT)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

  add_library(zq_qt_renderer STATIC platform/qt_renderer.cpp)
  target_link_libraries(zq_qt_renderer PUBLIC zq_win32 Qt6::Widgets)

  add_executable(zq-register platform/entry.cpp)
  target_link_libraries(zq-register PRIVATE zq_qt_renderer zq_core)
endif()
