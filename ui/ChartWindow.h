#pragma once

// A window that shows one chart: non-modal, its chart in a scroll area that keeps it within a
// 1280 × 800 screen, Escape closes it (it is hidden and kept, so that asking again raises the
// same window), and its context menu and Ctrl+S save the picture as a PNG file.

#include <QDialog>
#include <QString>

class QScrollArea;

namespace kestrum {

class ChartWidget;

class ChartWindow : public QDialog {
    Q_OBJECT

public:
    // Writes the whole chart as a PNG file at `path`; false when it could not be written.
    bool savePicture(const QString& path) const;

    // Shows the window fitted to its chart, or raises it when it is open.
    void present();

    QScrollArea* scrollArea() const { return m_scroll; }

protected:
    // `pictureName` is the file name the save dialog proposes. The chart becomes the scroll
    // area's widget; it keeps the size it sets itself.
    ChartWindow(const QString& title, const QString& pictureName, ChartWidget* chart,
                QWidget* parent);

private:
    // Asks where to save the picture, without waiting for the answer.
    void askWhereToSave();

    ChartWidget* m_chart;
    QScrollArea* m_scroll;
    QString m_pictureName;
};

} // namespace kestrum
