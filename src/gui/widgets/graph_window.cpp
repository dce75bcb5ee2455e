#include "gui/widgets/graph_window.h"

#include "core/device/profile.h"
#include "core/io/safe_file_writer.h"
#include "core/util/window_placement.h"
#include "gui/widgets/graph_strips_view.h"
#include "gui/widgets/prompts.h"
#include "paint/graph_picture.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString kPlaceKey = QStringLiteral("GraphWindowRect");
} // namespace

GraphWindow::GraphWindow(Prompts &prompts, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_prompts(prompts)
    , m_texts(GraphTexts(false))
{
    setObjectName(QStringLiteral("Graph window"));
    resize(960, 560);
    auto *layout = new QVBoxLayout(this);
    m_boxRow = new QWidget(this);
    m_boxLayout = new QHBoxLayout(m_boxRow);
    m_boxLayout->setContentsMargins(0, 0, 0, 0);
    m_boxLayout->addStretch(1);
    layout->addWidget(m_boxRow);
    m_view = new GraphStripsView(this);
    layout->addWidget(m_view, 1);
    m_readOut = new QLabel(this);
    m_readOut->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_readOut->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_readOut);

    connect(m_view, &GraphStripsView::CursorMoved, this, &GraphWindow::UpdateReadOut);
    connect(m_view, &GraphStripsView::ContextMenuWanted, this, &GraphWindow::ShowMenu);
    SetLanguage(false);
    ShowNothing();
}

GraphWindow::~GraphWindow() = default;

void GraphWindow::SetLanguage(bool chinese)
{
    m_chinese = chinese;
    m_texts = GraphTexts(chinese);
    m_view->setAccessibleName(m_texts.graphName);
    m_view->setToolTip(m_texts.graphHelp);
    m_boxRow->setAccessibleName(m_texts.variablesName);
    m_readOut->setAccessibleDescription(m_texts.readOutName);
    for (QCheckBox *box : std::as_const(m_boxes))
        box->setToolTip(m_texts.variableHelp);
    if (!m_fileName.isEmpty())
        setWindowTitle(m_texts.windowTitle.arg(m_fileName, m_logType));
    else
        setWindowTitle(m_texts.graphName);
    UpdateReadOut();
}

void GraphWindow::ShowNothing()
{
    m_fileName.clear();
    m_rec = LogFileRecord();
    m_series = nullptr;
    m_variables.clear();
    RebuildBoxes({});
    m_view->SetFile(QString(), nullptr);
    m_view->SetStrips({});
    setWindowTitle(m_texts.graphName);
    UpdateReadOut();
}

void GraphWindow::ShowFile(const QString &fileName, const QString &logType, const LogFileRecord &rec,
                           std::shared_ptr<const LogTimeline> timeline, SeriesSource series, int mainField,
                           bool sameFile)
{
    const bool newFile = !sameFile || m_fileName.isEmpty();
    m_checked.removeAll(m_mainField);
    m_mainField = mainField;
    m_fileName = fileName;
    m_logType = logType;
    m_rec = rec;
    m_series = std::move(series);
    m_variables = GraphVariables(rec);
    // Only the variables this file has stay checked; the main one always is.
    QList<int> checked{mainField};
    for (int field : std::as_const(m_checked)) {
        if (field != mainField
            && std::any_of(m_variables.cbegin(), m_variables.cend(), [field](const LogVariable &v) { return v.field == field; }))
            checked.append(field);
    }
    std::sort(checked.begin(), checked.end());
    m_checked = checked;
    RebuildBoxes(m_variables);
    setWindowTitle(m_texts.windowTitle.arg(fileName, logType));
    if (newFile)
        m_view->SetFile(fileName, std::move(timeline));
    UpdateStrips();
    UpdateReadOut();
}

void GraphWindow::RebuildBoxes(const QList<LogVariable> &variables)
{
    qDeleteAll(m_boxes);
    m_boxes.clear();
    QWidget *previous = nullptr;
    for (const LogVariable &v : variables) {
        auto *box = new QCheckBox(v.title, m_boxRow);
        box->setAccessibleName(box->text());
        box->setToolTip(m_texts.variableHelp);
        box->setChecked(m_checked.contains(v.field));
        box->setProperty("field", v.field);
        m_boxLayout->insertWidget(int(m_boxes.size()), box);
        m_boxes.append(box);
        const int field = v.field;
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
            if (on && !m_checked.contains(field))
                m_checked.append(field);
            else if (!on)
                m_checked.removeAll(field);
            std::sort(m_checked.begin(), m_checked.end());
            UpdateStrips();
            UpdateReadOut();
        });
        if (previous)
            setTabOrder(previous, box);
        previous = box;
    }
    if (previous)
        setTabOrder(previous, m_view);
}

void GraphWindow::UpdateStrips()
{
    QList<std::shared_ptr<const LogSeries>> strips;
    if (m_series) {
        for (int field : std::as_const(m_checked))
            strips.append(m_series(field));
    }
    m_view->SetStrips(strips);
}

QList<int> GraphWindow::ShownFields() const
{
    QList<int> fields;
    for (const auto &s : m_view->Frame().strips)
        fields.append(s->field);
    return fields;
}

QString GraphWindow::ReadOut() const
{
    return m_readOut->text();
}

void GraphWindow::UpdateReadOut()
{
    QString text;
    const qsizetype row = m_view->CursorRow();
    if (m_fileName.isEmpty()) {
        text = m_texts.noGraph;
    } else if (row < 0 || row >= m_rec.rows.size()) {
        text = m_texts.readOutHint;
    } else {
        const LogFieldList &fields = m_rec.rows.fields()[row];
        QStringList parts{fields.at(0).trimmed().toString() + QLatin1Char(' ') + fields.at(1).trimmed().toString()};
        for (const auto &series : m_view->Frame().strips) {
            QString value = fields.at(series->field).trimmed().toString();
            if (!series->unit.isEmpty())
                value += QLatin1Char(' ') + series->unit;
            parts.append(series->name + QStringLiteral(" = ") + value);
        }
        text = parts.join(QStringLiteral("    "));
    }
    m_readOut->setText(text);
    // A screen reader hears the read-out as the label's name changes.
    m_readOut->setAccessibleName(text);
}

QByteArray GraphWindow::Picture(const QString &path, const QSize &size) const
{
    const GraphFrame frame = m_view->Frame();
    return RenderPicture(PictureFormatOf(path), size, m_view->font(), windowTitle(),
                         [&frame](QPainter &painter, const QRect &target) { PaintGraphStrips(painter, target, frame); });
}

void GraphWindow::SavePicture()
{
    QString path = m_prompts.SaveFileName(m_texts.pictureFilter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    const QByteArray bytes = Picture(path, m_view->size());
    SafeFileWriter writer(path);
    QString reason;
    if (bytes.isEmpty())
        reason = m_texts.copyFailed;
    else if (!writer.Open() || !writer.Write(bytes) || !writer.Commit())
        reason = writer.Problem();
    if (!reason.isEmpty())
        m_prompts.Message(m_texts.saveFailed.arg(QDir::toNativeSeparators(path), reason));
}

void GraphWindow::CopyPicture()
{
    QImage image(m_view->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(m_view->font());
        PaintGraphStrips(painter, image.rect(), m_view->Frame());
    }
    m_prompts.SetClipboardImage(image);
}

void GraphWindow::ShowMenu(const QPoint &globalPos)
{
    QMenu menu(this);
    menu.setAccessibleName(m_texts.graphName);
    menu.addAction(m_texts.showAll, m_view, &GraphStripsView::ShowAll);
    menu.addSeparator();
    menu.addAction(m_texts.savePicture, this, &GraphWindow::SavePicture);
    menu.addAction(m_texts.copyPicture, this, &GraphWindow::CopyPicture);
    menu.exec(globalPos);
}

void GraphWindow::RestorePlace()
{
    const QRect saved = Profile::ReadWindowRect(kPlaceKey);
    if (!saved.isValid())
        return;
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    resize(saved.size());
    if (const std::optional<QPoint> place = PlaceRememberedWindow(saved, screens))
        move(*place);
}

void GraphWindow::RememberPlace()
{
    Profile::WriteWindowRect(QRect(frameGeometry().topLeft(), size()), kPlaceKey);
}

void GraphWindow::closeEvent(QCloseEvent *event)
{
    RememberPlace();
    QWidget::closeEvent(event);
}

void GraphWindow::hideEvent(QHideEvent *event)
{
    RememberPlace();
    QWidget::hideEvent(event);
}

void GraphWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
