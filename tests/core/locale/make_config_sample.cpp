// Writes the sample Config.dat holding the built-in texts to the path given
// as the only argument. The program itself never writes Config.dat.
#include "config_file_writer.h"

#include "core/io/text_file.h"
#include "core/locale/built_in_texts.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: make_config_sample <output file>\n");
        return 2;
    }
    QString error;
    if (!WriteFileBytes(args[1], ConfigFileBytes(SampleConfigLines(BuiltInLanguageNames(), BuiltInTextTable())),
                        &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
