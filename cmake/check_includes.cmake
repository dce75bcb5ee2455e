# The floors' include rule, checked at every build:
#   core   Qt Core headers; core/
#   paint  Qt Core, GUI and SVG headers; core/ and paint/
#   cli    Qt Core, GUI and SVG headers; core/, paint/ and cli/
#   gui    Qt Core, GUI, SVG and Widgets headers; core/, paint/ and gui/
# A Qt header counts as the module's whose include folder holds it. Run as
#   cmake -DSOURCE_DIR=<src> -DQT_CORE_DIR=... -DQT_GUI_DIR=... -DQT_SVG_DIR=... -DQT_WIDGETS_DIR=...
#         -DSTAMP=<file> -P check_includes.cmake
# Every wrong-way include is listed with its file and line; then the build fails.

cmake_minimum_required(VERSION 3.25)

set(core_modules QT_CORE_DIR)
set(core_floors core)
set(paint_modules QT_CORE_DIR QT_GUI_DIR QT_SVG_DIR)
set(paint_floors core paint)
set(cli_modules QT_CORE_DIR QT_GUI_DIR QT_SVG_DIR)
set(cli_floors core paint cli)
set(gui_modules QT_CORE_DIR QT_GUI_DIR QT_SVG_DIR QT_WIDGETS_DIR)
set(gui_floors core paint gui)

set(errors "")
foreach(floor core paint cli gui)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${floor}/*.h" "${SOURCE_DIR}/${floor}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include")
    file(RELATIVE_PATH name "${SOURCE_DIR}" "${file}")
    foreach(line IN LISTS lines)
      if(line MATCHES "#[ \t]*include[ \t]*\"(core|paint|gui|cli)/")
        set(target_floor "${CMAKE_MATCH_1}")
        if(NOT target_floor IN_LIST ${floor}_floors)
          string(APPEND errors "  src/${name}: ${line}  (${floor}/ may not include ${target_floor}/)\n")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<((Qt[A-Za-z]*/)?Q[A-Za-z0-9_]*)>")
        set(header "${CMAKE_MATCH_1}")
        string(REGEX REPLACE "^Qt[A-Za-z]*/" "" header "${header}")
        set(allowed FALSE)
        foreach(module IN LISTS ${floor}_modules)
          if(EXISTS "${${module}}/${header}")
            set(allowed TRUE)
          endif()
        endforeach()
        if(NOT allowed)
          string(APPEND errors "  src/${name}: ${line}  (not a header of the Qt modules ${floor}/ uses)\n")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(errors)
  message(FATAL_ERROR "Includes must point down the floors (core < paint < cli, gui):\n${errors}")
endif()
file(TOUCH "${STAMP}")
