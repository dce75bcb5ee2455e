#include "core/device/open_failure.h"

#include "core/locale/system_reasons.h"
#include "core/locale/text_table.h"

#include <QStringList>

OpenFailure OpenFailure::FromLibrary(const TAVIXSERIAL_OPEN_ERROR *code, const QString &words)
{
    OpenFailure failure;
    failure.words = words;
    if (!code || words.isEmpty())
        return failure;
    failure.kind = code->kind;
    failure.error = code->error;
    failure.detail = code->detail;
    failure.name = QString::fromUtf8(code->name ? code->name : "");
    for (int i = 0; i < qBound(0, code->holders, 3); ++i)
        failure.holders.append({code->holderPid[i], QString::fromUtf8(code->holderName[i] ? code->holderName[i] : "")});
    return failure;
}

namespace {

QString ChineseFileKind(int file)
{
    switch (file) {
    case TAVIXSERIAL_FILE_REGULAR:
        return QStringLiteral("普通文件");
    case TAVIXSERIAL_FILE_FOLDER:
        return QStringLiteral("文件夹");
    case TAVIXSERIAL_FILE_FIFO:
        return QStringLiteral("命名管道（FIFO）");
    case TAVIXSERIAL_FILE_SOCKET:
        return QStringLiteral("套接字");
    case TAVIXSERIAL_FILE_BLOCK_DEVICE:
        return QStringLiteral("块设备");
    case TAVIXSERIAL_FILE_DEVICE_NOT_TERMINAL:
        return QStringLiteral("不是终端的设备");
    default:
        return QStringLiteral("非设备文件");
    }
}

QString Chinese(const OpenFailure &failure, const LocaleTexts &texts)
{
    const QString &path = failure.name;
    switch (failure.kind) {
    case TAVIXSERIAL_OPEN_MISSING:
        return QStringLiteral("%1 不存在：设备已拔出或路径有误").arg(path);
    case TAVIXSERIAL_OPEN_NO_DEVICE:
        return QStringLiteral("%1 处没有设备应答（%2）：设备已拔出或不存在")
            .arg(path, SystemReasonText(failure.error, texts));
    case TAVIXSERIAL_OPEN_NO_CONTROLLING_TERMINAL:
        return QStringLiteral("/dev/tty 指本程序的控制终端，而本程序没有控制终端");
    case TAVIXSERIAL_OPEN_PERMISSION:
        return QStringLiteral("没有打开 %1 的权限：请把您的用户加入该端口所属的组（通常是 dialout：sudo usermod -aG "
                              "dialout $USER，然后重新登录），或安装 udev 规则 60-tavixterminal.rules（见 README "
                              "的“Real instrument on Linux”）")
            .arg(path);
    case TAVIXSERIAL_OPEN_NOT_A_PORT:
        return QStringLiteral("%1 不是串口：它是%2").arg(path, ChineseFileKind(failure.detail));
    case TAVIXSERIAL_OPEN_BUSY: {
        if (failure.holders.isEmpty())
            return QStringLiteral("%1 正被占用：另一个程序占用着它").arg(path);
        QStringList who;
        for (const OpenFailure::Holder &holder : failure.holders)
            who << (holder.name.isEmpty() ? QString::number(holder.pid)
                                          : QStringLiteral("%1（%2）").arg(holder.pid).arg(holder.name));
        return QStringLiteral("%1 正被占用：占用它的是进程 %2").arg(path, who.join(QStringLiteral("、")));
    }
    case TAVIXSERIAL_OPEN_ALREADY_OPEN:
        return QStringLiteral("%1 已在本程序中打开").arg(path);
    case TAVIXSERIAL_OPEN_SYSTEM:
        return QStringLiteral("无法打开 %1：%2").arg(path, SystemReasonText(failure.error, texts));
    case TAVIXSERIAL_OPEN_NOT_LISTED:
        switch (failure.detail) {
        case FT_OPEN_BY_SERIAL_NUMBER:
            return QStringLiteral("未连接序列号为“%1”的设备").arg(failure.name);
        case FT_OPEN_BY_DESCRIPTION:
            return QStringLiteral("未连接描述为“%1”的设备").arg(failure.name);
        case FT_OPEN_BY_LOCATION:
            return QStringLiteral("未连接位置为 %1 的设备").arg(failure.name);
        default:
            return QStringLiteral("序号 %1 处没有设备").arg(failure.name);
        }
    default:
        return failure.words;
    }
}

} // namespace

QString OpenFailureText(const OpenFailure &failure, const LocaleTexts &texts)
{
    if (failure.IsEmpty())
        return QString();
    return texts.IsChinese() ? Chinese(failure, texts) : failure.words;
}
