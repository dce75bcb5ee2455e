# The floors' include rule, checked at every build:
#   core   Qt Core headers; core/
#   paint  Qt Core, GUI and SVG headers; core/ and paint/
#   cli    Qt Core, GUI and SVG headers; core/, paint/ and cli/
#   gui    Qt Core, GUI, SVG and Widgets headers; core/, paint/ and gui/
# Run as
#   cmake -DSOURCE_DIR=<src> -DQT_CORE_DIR=... -DQT_GUI_DIR=... -DQT_WIDGETS_DIR=...
#         -DSTAMP=<file> -P check_includes.cmake
# Every include is resolved as the compiler resolves it, and the file it
# finds decides:
#   "name"  beside the including file, else under src/ (the one include
#           folder of the floors); a name found in neither is looked for
#           as <name>. moc's own files (moc_x.cpp, x.moc) are allowed.
#   <name>  under src/, else in Qt's include folder: QtModule/header
#           (<QtWidgets/qwidget.h>) in that module, a bare header (<QWidget>,
#           <qwidget.h>, <QtWidgets>) in the module folder that holds it.
#           A name found in neither is the system's (<vector>, <unistd.h>).
# A file under src/ counts as the floor of its first folder; a Qt header as
# the module whose folder holds it. Each floor may reach only the floors and
# modules listed above; a quoted include that leaves src/ or finds nothing
# is refused too. Every wrong include is listed with its file and line;
# then the build fails.

cmake_minimum_required(VERSION 3.25)

set(core_modules QtCore)
set(core_floors core)
set(paint_modules QtCore QtGui QtSvg)
set(paint_floors core paint)
set(cli_modules QtCore QtGui QtSvg)
set(cli_floors core paint cli)
set(gui_modules QtCore QtGui QtSvg QtWidgets)
set(gui_floors core paint gui)

file(REAL_PATH "${SOURCE_DIR}" src_root)

# Qt's module folders: the three given, and every Qt* folder beside them
# (QtTest, QtSvg, ...), so that a header of a module no floor may use is
# recognised as Qt's and refused rather than taken for a system header.
set(qt_module_dirs "")
foreach(dir IN ITEMS "${QT_CORE_DIR}" "${QT_GUI_DIR}" "${QT_WIDGETS_DIR}")
  if(dir)
    file(REAL_PATH "${dir}" dir)
    list(APPEND qt_module_dirs "${dir}")
    get_filename_component(parent "${dir}" DIRECTORY)
    file(GLOB siblings LIST_DIRECTORIES true "${parent}/Qt*")
    foreach(sibling IN LISTS siblings)
      if(IS_DIRECTORY "${sibling}")
        list(APPEND qt_module_dirs "${sibling}")
      endif()
    endforeach()
  endif()
endforeach()
list(REMOVE_DUPLICATES qt_module_dirs)

# Sets out to the file at path when it is one (not a folder), normalised.
function(existing_file path out)
  set(found "")
  if(EXISTS "${path}" AND NOT IS_DIRECTORY "${path}")
    file(REAL_PATH "${path}" found)
  endif()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# Resolves <name>: under src/, else in a Qt module folder; empty for a
# system header. Results are kept per name, as most names recur.
function(resolve_angle name out)
  string(MAKE_C_IDENTIFIER "angle_${name}" key)
  get_property(known GLOBAL PROPERTY tavix_${key} SET)
  if(known)
    get_property(found GLOBAL PROPERTY tavix_${key})
    set(${out} "${found}" PARENT_SCOPE)
    return()
  endif()
  existing_file("${src_root}/${name}" found)
  if(NOT found)
    foreach(dir IN LISTS qt_module_dirs)
      get_filename_component(module "${dir}" NAME)
      get_filename_component(parent "${dir}" DIRECTORY)
      if(name MATCHES "^${module}/")
        existing_file("${parent}/${name}" found)
      else()
        existing_file("${dir}/${name}" found)
      endif()
      if(found)
        break()
      endif()
    endforeach()
  endif()
  set_property(GLOBAL PROPERTY tavix_${key} "${found}")
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# Why the file found may not be included from floor; empty when it may.
function(refusal floor found out)
  set(reason "")
  string(FIND "${found}" "${src_root}/" at)
  if(at EQUAL 0)
    file(RELATIVE_PATH inside "${src_root}" "${found}")
    string(REGEX MATCH "^[^/]+/" target_floor "${inside}")
    string(REGEX REPLACE "/$" "" target_floor "${target_floor}")
    if(NOT target_floor IN_LIST ${floor}_floors)
      if(target_floor STREQUAL "")
        set(target_floor "src")
      endif()
      set(reason "finds src/${inside}: ${floor}/ may not include ${target_floor}/")
    endif()
  else()
    set(module "")
    foreach(dir IN LISTS qt_module_dirs)
      string(FIND "${found}" "${dir}/" at)
      if(at EQUAL 0)
        get_filename_component(module "${dir}" NAME)
        break()
      endif()
    endforeach()
    if(module AND NOT module IN_LIST ${floor}_modules)
      set(reason "a header of ${module}, not of the Qt modules ${floor}/ uses")
    elseif(NOT module)
      set(reason "finds ${found}, outside src/")
    endif()
  endif()
  set(${out} "${reason}" PARENT_SCOPE)
endfunction()

set(errors "")
foreach(floor core paint cli gui)
  file(GLOB_RECURSE files "${src_root}/${floor}/*.h" "${src_root}/${floor}/*.cpp")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include")
    file(RELATIVE_PATH name "${src_root}" "${file}")
    get_filename_component(here "${file}" DIRECTORY)
    foreach(line IN LISTS lines)
      if(NOT line MATCHES "#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
        string(APPEND errors "  src/${name}: ${line}  (not an include the check can read)\n")
        continue()
      endif()
      set(form "${CMAKE_MATCH_1}")
      set(header "${CMAKE_MATCH_2}")
      set(found "")
      if(form STREQUAL "\"")
        if(header MATCHES "^moc_[^/]*\\.cpp$" OR header MATCHES "^[^/]*\\.moc$")
          continue()
        endif()
        existing_file("${here}/${header}" found)
        if(NOT found)
          existing_file("${src_root}/${header}" found)
        endif()
        if(NOT found)
          resolve_angle("${header}" found)
        endif()
        if(NOT found)
          string(APPEND errors "  src/${name}: ${line}  (found neither beside the file nor under src/)\n")
          continue()
        endif()
      else()
        resolve_angle("${header}" found)
        if(NOT found)
          continue()
        endif()
      endif()
      refusal(${floor} "${found}" reason)
      if(reason)
        string(APPEND errors "  src/${name}: ${line}  (${reason})\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(errors)
  message(FATAL_ERROR "Includes must point down the floors (core < paint < cli, gui):\n${errors}")
endif()
file(TOUCH "${STAMP}")
