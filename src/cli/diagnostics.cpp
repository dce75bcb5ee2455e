#include "cli/diagnostics.h"

#include <QCommandLineParser>
#include <QIODevice>

namespace Cli {

void WriteLine(QIODevice &device, const QString &text)
{
    device.write((text + QLatin1Char('\n')).toUtf8());
}

void Say(QIODevice &err, const QString &message)
{
    WriteLine(err, QStringLiteral("tavixterminal: %1").arg(message));
}

int UsageError(QIODevice &err, const QString &message)
{
    Say(err, message);
    WriteLine(err, QStringLiteral("Try 'tavixterminal --help' for more information."));
    return kExitUsage;
}

QString ParseErrorText(const QCommandLineParser &parser, const QString &mode)
{
    // The options only one mode takes.
    static const struct
    {
        const char *mode;
        const char *options[5];
    } kModes[] = {
        {"--capture", {"serial", "description", "print", "idle", "max-seconds"}},
        {"--sort", {"log-type", "variable", "output", "plot", "file"}},
    };
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty())
        return parser.errorText();
    for (const auto &owner : kModes) {
        if (mode == QLatin1String(owner.mode))
            continue;
        for (const char *option : owner.options) {
            if (unknown.first() != QLatin1String(option))
                continue;
            const QString belongs = QStringLiteral("--%1 belongs to %2").arg(unknown.first(), QLatin1String(owner.mode));
            return mode.isEmpty() ? belongs + QStringLiteral(" (without --capture or --sort the window opens; it "
                                                             "takes only --driver and --verbose)")
                                  : belongs + QStringLiteral(", not to ") + mode;
        }
    }
    return parser.errorText();
}

} // namespace Cli
