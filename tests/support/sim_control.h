// Access to the simulated instrument's control entry point from tests: the
// library the dialog loads is the same file, so settings made here apply to
// the instrument the dialog talks to. The library stays loaded for the whole
// test, also when a dialog that loaded it too unloads it at its end, so the
// entry point kept here stays valid and the instrument keeps its state.
#ifndef TAVIX_TESTS_SIM_CONTROL_H
#define TAVIX_TESTS_SIM_CONTROL_H

#include <QByteArray>
#include <QLibrary>
#include <QString>

class SimControl
{
public:
    explicit SimControl(const QString &path = QStringLiteral(TAVIX_SIM_LIBRARY)) : m_library(path)
    {
        m_library.setLoadHints(QLibrary::PreventUnloadHint);
        m_library.load();
        m_control = reinterpret_cast<int (*)(const char *)>(m_library.resolve("TavixSim_Control"));
    }
    bool IsLoaded() const { return m_control != nullptr; }
    // Applies a NAME=VALUE setting (or RESET); 0 on success.
    int Set(const QByteArray &setting) const { return m_control ? m_control(setting.constData()) : -1; }
    QString Path() const { return m_library.fileName(); }

private:
    QLibrary m_library;
    int (*m_control)(const char *) = nullptr;
};

#endif
