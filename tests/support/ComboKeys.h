#pragma once

// A combo stepped with the keyboard, as a user picks an entry.

#include <QComboBox>
#include <QTest>

#include <gtest/gtest.h>

namespace zktest {

// Steps `combo` to entry `index` with the arrow keys.
inline void PickWithKeys(QComboBox* combo, int index) {
    ASSERT_NE(combo, nullptr);
    ASSERT_LT(index, combo->count()) << combo->objectName().toStdString();
    while (combo->currentIndex() != index)
        QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
}

} // namespace zktest
