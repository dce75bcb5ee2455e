# Precompiled headers. Parsing Qt's and the standard library's headers costs
# most of a file's compile time (about 2 s for <QString> alone, 4 s for
# <QTest>), so each library parses them once, and the tests of one folder
# share one set (per kind: Qt Core or Widgets), parsed once for them all.
option(TAVIX_PRECOMPILED_HEADERS "Precompile Qt's and the standard library's headers" ON)

set(TAVIX_PCH_Core
  <algorithm> <atomic> <functional> <memory> <optional> <vector>
  <QByteArray> <QDir> <QFile> <QFileInfo> <QIODevice> <QList> <QObject> <QString>
  <QStringList> <QStringView>)
set(TAVIX_PCH_Gui ${TAVIX_PCH_Core} <QColor> <QFont> <QFontMetrics> <QImage> <QPainter>)
set(TAVIX_PCH_Widgets ${TAVIX_PCH_Gui}
  <QAbstractButton> <QApplication> <QDialog> <QKeyEvent> <QLineEdit> <QListWidget>
  <QPushButton> <QWidget>)

# The headers of KIND (Core, Gui or Widgets) precompiled for TARGET alone.
function(tavix_precompile target kind)
  if(TAVIX_PRECOMPILED_HEADERS)
    target_precompile_headers(${target} PRIVATE ${TAVIX_PCH_${kind}})
  endif()
endfunction()

# TARGET, a test of the current folder, uses the headers precompiled for the
# folder's tests of KIND (Core or Widgets). The compiler refuses a header
# precompiled with other flags (-Winvalid-pch), and TAVIX_WERROR, which
# scripts/test sets, turns that into a build error, so sharing never goes
# wrong silently: one set per folder, because Qt's test macros carry the
# folder's paths.
function(tavix_test_precompile target kind)
  if(NOT TAVIX_PRECOMPILED_HEADERS)
    return()
  endif()
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  string(MAKE_C_IDENTIFIER "tavix_pch_${folder}_${kind}" donor)
  if(NOT TARGET ${donor})
    add_library(${donor} OBJECT ${PROJECT_SOURCE_DIR}/tests/support/precompiled_headers.cpp)
    if(kind STREQUAL "Widgets")
      target_link_libraries(${donor} PRIVATE Qt6::Widgets Qt6::Test tavix_warnings)
    else()
      target_link_libraries(${donor} PRIVATE Qt6::Core Qt6::Test tavix_warnings)
    endif()
    target_precompile_headers(${donor} PRIVATE ${TAVIX_PCH_${kind}} <QtTest>)
  endif()
  target_precompile_headers(${target} REUSE_FROM ${donor})
endfunction()
