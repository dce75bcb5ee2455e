#include "cli/diagnostics.h"

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

} // namespace Cli
