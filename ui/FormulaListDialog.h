#pragma once

// The formula list: the thirty candidates of a search, a box that shows the formula of the
// row clicked and takes a typed one, and "选定公式" to confirm the choice.

#include "engine/EngineState.h"

#include <QDialog>
#include <array>
#include <cstdint>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace kestrum {

class FormulaListDialog : public QDialog {
    Q_OBJECT

public:
    explicit FormulaListDialog(const CandidateRows& candidates, QWidget* parent = nullptr);

    // The formula confirmed with "选定公式"; negative while none has been confirmed.
    std::int32_t chosenFormula() const { return m_chosenFormula; }

    QTableWidget* list() const { return m_list; }
    QLineEdit* chosenBox() const { return m_box; }
    QPushButton* chooseButton() const { return m_choose; }

    // Puts the formula of the row holding the selection mark (row 0 when none) into the box.
    void showMarkedFormula();
    // "选定公式": the box's number (0: the formula of row 0) becomes the choice.
    void confirm();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::array<std::int32_t, kCandidateRows> m_formulas{};
    std::int32_t m_chosenFormula = -1;
    QTableWidget* m_list = nullptr;
    QLineEdit* m_box = nullptr;
    QPushButton* m_choose = nullptr;
};

} // namespace kestrum
