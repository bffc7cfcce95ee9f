#pragma once
// Helpers for window tests without GL: a main window, Ctrl as the viewport's last poll would have
// recorded it, and an answerer for the dialog seam that keeps every question.
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/Ui_MainWindow.h"
#include "viewport/GLView.h"
#include "viewport/Keyboard.h"

#include <gtest/gtest.h>

#include <QAction>

#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace kal::test {

// Keys down as the last tick's poll saw them (Windows virtual-key codes).
inline void holdKeys(std::initializer_list<int> keys)
{
    uint8_t table[256] = {};
    for (int k : keys) table[k & 255] = 0x80;
    kal::keyboard.pollFrom(table);
}

class WindowTest : public ::testing::Test {
protected:
    ~WindowTest() override
    {
        kal::dialogs->answerer = nullptr;
        holdKeys({});
    }
    void answerWith(std::function<kal::Reply(const kal::Question&)> reply)
    {
        kal::dialogs->answerer = [this, reply](const kal::Question& q) {
            asked.push_back(q);
            return reply(q);
        };
    }
    static kal::Reply number(double value, bool ok = true)
    {
        kal::Reply r;
        r.accepted = ok;
        r.number = value;
        return r;
    }

    std::unique_ptr<MainWindow> w = std::make_unique<MainWindow>();
    Ui_MainWindow& ui = *w->ui;
    kal::GLView& v = *w->view();
    std::vector<kal::Question> asked;
};

} // namespace kal::test
