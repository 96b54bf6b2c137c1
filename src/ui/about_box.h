// The about box: application title, version, picture, platform line and one-line description.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class FormAPropos;
}

class FormAPropos : public QDialog {
    Q_OBJECT
public:
    explicit FormAPropos(QWidget* parent = nullptr);
    ~FormAPropos() override;

private:
    std::unique_ptr<Ui::FormAPropos> m_ui;
};

// "v" major "." minor "." revision of this build.
QString versionText();
// The build's major, minor and revision numbers joined by dots ("1.0.0").
QString versionNumbers();
// "Version NN bits pour <system>" for the running build.
QString platformLine();
