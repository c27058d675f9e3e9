#pragma once

#include <QDialog>

namespace kestrum {

// The program's version as the window's caption and the about box show it ("1.160615").
QString versionText();

// The about box: the program's name and version, and "确定" to close it.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    // dataFolder: where data1.txt and the export files go, shown in the box.
    explicit AboutDialog(const QString& dataFolder, QWidget* parent = nullptr);
};

} // namespace kestrum
