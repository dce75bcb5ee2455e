# cmake/check_includes.cmake against a small tree of the four floors: each
# case is one file holding one include line, and the check must list
# exactly the refused ones, with their reasons.
#   cmake -DCHECK=<check_includes.cmake> -DWORK=<scratch folder>
#         -DQT_CORE_DIR=... -DQT_GUI_DIR=... -DQT_WIDGETS_DIR=... -P test_check_includes.cmake
cmake_minimum_required(VERSION 3.25)

# floor/file | include line | the reason the check gives, or "ok".
set(cases
  "core/own.cpp|#include \"core/a.h\"|ok"
  "core/beside.cpp|#include \"a.h\"|ok"
  "core/qt_class.cpp|#include <QString>|ok"
  "core/qt_module_path.cpp|#include <QtCore/qstring.h>|ok"
  "core/qt_lower.cpp|#include <qstring.h>|ok"
  "core/system.cpp|#include <vector>|ok"
  "core/posix.cpp|#include <sys/stat.h>|ok"
  "core/angle_own.cpp|#include <core/a.h>|ok"
  "core/up.cpp|#include \"paint/p.h\"|core/ may not include paint/"
  "core/spaced.cpp|  #  include   \"gui/g.h\"|core/ may not include gui/"
  "core/relative.cpp|#include \"../gui/g.h\"|core/ may not include gui/"
  "core/sub/relative_deep.cpp|#include \"../../gui/g.h\"|core/ may not include gui/"
  "core/angle_floor.cpp|#include <gui/g.h>|core/ may not include gui/"
  "core/widget.cpp|#include <QWidget>|a header of QtWidgets"
  "core/widget_module_path.cpp|#include <QtWidgets/qwidget.h>|a header of QtWidgets"
  "core/widget_lower.cpp|#include <qwidget.h>|a header of QtWidgets"
  "core/widget_quoted.cpp|#include \"qwidget.h\"|a header of QtWidgets"
  "core/widgets_module.cpp|#include <QtWidgets>|a header of QtWidgets"
  "core/gui_class.cpp|#include <QImage>|a header of QtGui"
  "core/test_class.cpp|#include <QTest>|a header of QtTest"
  "core/outside.cpp|#include \"../../serial/x.h\"|outside src/"
  "core/missing.cpp|#include \"core/nothing_here.h\"|found neither beside the file nor under src/"
  "core/moc.cpp|#include \"moc_moc.cpp\"|ok"
  "paint/gui_class.cpp|#include <QImage>|ok"
  "paint/gui_module_path.cpp|#include <QtGui/qpainter.h>|ok"
  "paint/down.cpp|#include \"core/a.h\"|ok"
  "paint/widget.cpp|#include <QPushButton>|a header of QtWidgets"
  "paint/sideways.cpp|#include \"cli/c.h\"|paint/ may not include cli/"
  "paint/main.cpp|#include \"../main.h\"|paint/ may not include src/"
  "cli/down.cpp|#include \"paint/p.h\"|ok"
  "cli/gui.cpp|#include \"gui/g.h\"|cli/ may not include gui/"
  "cli/relative_gui.cpp|#include \"../gui/g.h\"|cli/ may not include gui/"
  "cli/widget_module_path.cpp|#include <QtWidgets/QPushButton>|a header of QtWidgets"
  "gui/widget.cpp|#include <QWidget>|ok"
  "gui/widget_module_path.cpp|#include <QtWidgets/qwidget.h>|ok"
  "gui/down.cpp|#include \"paint/p.h\"|ok"
  "gui/cli.cpp|#include \"cli/c.h\"|gui/ may not include cli/"
  "gui/relative_cli.cpp|#include \"../cli/c.h\"|gui/ may not include cli/"
)

file(REMOVE_RECURSE "${WORK}")
foreach(header core/a.h paint/p.h cli/c.h gui/g.h main.h)
  file(WRITE "${WORK}/src/${header}" "#pragma once\n")
endforeach()
file(WRITE "${WORK}/serial/x.h" "#pragma once\n")
set(expected_count 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 path)
  list(GET fields 1 line)
  file(WRITE "${WORK}/src/${path}" "// a case\n${line}\n")
endforeach()

execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${WORK}/src -DQT_CORE_DIR=${QT_CORE_DIR}
                        -DQT_GUI_DIR=${QT_GUI_DIR} -DQT_WIDGETS_DIR=${QT_WIDGETS_DIR} -DSTAMP=${WORK}/stamp
                        -P ${CHECK}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
string(REPLACE "\n" ";" out_lines "${out}")
set(failures "")
set(refused 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 path)
  list(GET fields 2 expected)
  set(reported "")
  foreach(out_line IN LISTS out_lines)
    string(FIND "${out_line}" "src/${path}:" at)
    if(at GREATER_EQUAL 0)
      set(reported "${out_line}")
    endif()
  endforeach()
  if(expected STREQUAL "ok")
    if(reported)
      string(APPEND failures "  ${path}: refused, but it is allowed: ${reported}\n")
    endif()
  else()
    math(EXPR refused "${refused} + 1")
    string(FIND "${reported}" "${expected}" at)
    if(NOT reported)
      string(APPEND failures "  ${path}: let through, but it should be refused (${expected})\n")
    elseif(at LESS 0)
      string(APPEND failures "  ${path}: refused as '${reported}', expected '${expected}'\n")
    endif()
  endif()
endforeach()
if(status EQUAL 0 OR EXISTS "${WORK}/stamp")
  string(APPEND failures "  the check passed (status ${status}) with ${refused} refused includes\n")
endif()
if(failures)
  message(FATAL_ERROR "check_includes.cmake:\n${failures}\nIts output:\n${out}")
endif()
list(LENGTH cases count)
message(STATUS "${count} includes: ${refused} refused, the others let through")

# A tree without a wrong include passes and touches the stamp.
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/src/core/a.h" "#pragma once\n#include <QString>\n")
file(WRITE "${WORK}/src/gui/g.cpp" "#include \"core/a.h\"\n#include <QtWidgets/qwidget.h>\n")
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${WORK}/src -DQT_CORE_DIR=${QT_CORE_DIR}
                        -DQT_GUI_DIR=${QT_GUI_DIR} -DQT_WIDGETS_DIR=${QT_WIDGETS_DIR} -DSTAMP=${WORK}/stamp
                        -P ${CHECK}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT status EQUAL 0 OR NOT EXISTS "${WORK}/stamp")
  message(FATAL_ERROR "check_includes.cmake refused a tree of allowed includes (${status}):\n${out}")
endif()
