#include "core/locale/system_reasons.h"

#include "core/locale/text_table.h"

#include <cerrno>
#include <iterator>

namespace {

struct SystemReason
{
    int error;
    const char16_t *chinese;
};

// The reasons a file, a folder or a port gives most often.
const SystemReason kReasons[] = {
    {ENOSPC, u"设备上没有空间"},
#ifdef EDQUOT
    {EDQUOT, u"超出磁盘配额"},
#endif
    {EFBIG, u"文件过大"},
    {EACCES, u"权限不够"},
    {EPERM, u"不允许的操作"},
    {EROFS, u"只读文件系统"},
    {ENOENT, u"没有那个文件或目录"},
    {ENOTDIR, u"不是目录"},
    {EISDIR, u"是一个目录"},
    {EIO, u"输入/输出错误"},
    {ENAMETOOLONG, u"文件名过长"},
    {ELOOP, u"符号链接的层数过多"},
    {EEXIST, u"文件已存在"},
    {EMFILE, u"打开的文件过多"},
    {ENFILE, u"系统中打开的文件过多"},
    {ENOMEM, u"无法分配内存"},
    {EXDEV, u"无效的跨设备链接"},
    {EBUSY, u"设备或资源忙"},
    {ETXTBSY, u"文本文件忙"},
    {EINVAL, u"无效的参数"},
    {ENXIO, u"没有那个设备或地址"},
    {ENODEV, u"没有那个设备"},
    {EPIPE, u"断开的管道"},
    {EAGAIN, u"资源暂时不可用"},
    {EINTR, u"被中断的系统调用"},
#ifdef ESTALE
    {ESTALE, u"过旧的文件句柄"},
#endif
    {EOPNOTSUPP, u"不支持的操作"},
    {ENOTTY, u"对设备不适当的 ioctl 操作"},
    {ENOLCK, u"没有可用的锁"},
    {EBADF, u"错误的文件描述符"},
    {ETIMEDOUT, u"连接超时"},
};

const SystemReason *Find(int error)
{
    for (const SystemReason &reason : kReasons) {
        if (reason.error == error)
            return &reason;
    }
    return nullptr;
}

} // namespace

QString SystemReasonText(int error, const LocaleTexts &texts)
{
    const QString system = qt_error_string(error);
    const SystemReason *known = texts.IsChinese() ? Find(error) : nullptr;
    return known ? QString::fromUtf16(known->chinese) : system;
}

QString SystemReasonText(const QString &reason, const LocaleTexts &texts)
{
    if (!texts.IsChinese())
        return reason;
    // The system's words are looked for as the system gives them now, so
    // that the match holds in whatever language the system speaks.
    const SystemReason *within = nullptr;
    for (const SystemReason &known : kReasons) {
        const QString system = qt_error_string(known.error);
        if (reason == system)
            return QString::fromUtf16(known.chinese);
        if (!within && !system.isEmpty() && reason.contains(system))
            within = &known;
    }
    return within ? reason + QStringLiteral("（") + QString::fromUtf16(within->chinese) + QStringLiteral("）")
                  : reason;
}
