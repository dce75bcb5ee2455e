#include "gui/widgets/program_icon.h"

#include "paint/program_icon_image.h"

#include <QPixmap>

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : kProgramIconSizes)
        icon.addPixmap(QPixmap::fromImage(ProgramIconImage(size)));
    return icon;
}
