// The built-in English and Chinese texts, used when Config.dat cannot be read.
#ifndef TAVIX_CORE_LOCALE_BUILT_IN_TEXTS_H
#define TAVIX_CORE_LOCALE_BUILT_IN_TEXTS_H

#include "core/locale/text_table.h"

#include <QStringList>

// "English", "中文".
QStringList BuiltInLanguageNames();

// All 57 text numbers with their built-in lists: three slots (English,
// Chinese, third slot empty or repeating the caption) for every number but
// 1051, which holds "Start Logging", "Stop Logging", "开始记录", "停止记录".
TextTable BuiltInTextTable();

#endif
