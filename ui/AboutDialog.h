#pragma once

#include <QDialog>

namespace kestrum {

// The about box: the program's name and version, and "确定" to close it.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace kestrum
