#include "ui/AboutDialog.h"

#include "BuildSettings.h"
#include "ui/AppIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrum {

QString versionText() {
    return QString::fromUtf8(build::kVersion.data(),
                             static_cast<qsizetype>(build::kVersion.size()));
}

AboutDialog::AboutDialog(const QString& dataFolder, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 Kestrum"));
    auto* icon = new QLabel(this);
    icon->setPixmap(appIcon().pixmap(32, 32));
    auto* name = new QLabel(QStringLiteral("Kestrum %1 版").arg(versionText()), this);
    auto* about = new QLabel(QStringLiteral("时时彩、分分彩计划软件"), this);
    auto* folder = new QLabel(QStringLiteral("数据文件夹：%1").arg(dataFolder), this);
    folder->setObjectName(QStringLiteral("dataFolder"));
    folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setDefault(true);
    ok->setAccessibleName(ok->text());
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(name);
    texts->addWidget(about);
    texts->addWidget(folder);
    auto* row = new QHBoxLayout;
    row->addWidget(icon, 0, Qt::AlignTop);
    row->addLayout(texts, 1);
    row->addWidget(ok, 0, Qt::AlignTop);
    setLayout(row);
    setFixedSize(sizeHint());
}

} // namespace kestrum
