#pragma once

#include <QDialog>

class Platform;
class QPlainTextEdit;

// The result of a store check as text, which the user can copy to the clipboard or save to a file.
class FrmCheckResult : public QDialog {
public:
    FrmCheckResult(const QString& text, Platform& platform, QWidget* parent = nullptr);
    QString text() const { return m_text; }
    void copy();
    // Asks for a file and writes the text there; says why when it cannot.
    void save();

private:
    QString m_text;
    Platform& m_platform;
};
