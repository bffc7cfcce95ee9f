#pragma once
// Window tests answer every modal question through the dialog seam and keep what was asked;
// WindowTest adds a main window without GL and Ctrl as the viewport's last poll recorded it.
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
inline void holdKeys(std::initializer_list<int> keys) {
    uint8_t table[256] = {};
    for (int k : keys) table[k & 255] = 0x80;
    kal::keyboard.pollFrom(table);
}

class SeamAnswers : public ::testing::Test {
protected:
    ~SeamAnswers() override { kal::dialogs->answerer = nullptr; }
    void answerWith(std::function<kal::Reply(const kal::Question&)> reply) {
        kal::dialogs->answerer = [this, reply](const kal::Question& q) {
            asked.push_back(q);
            return reply(q);
        };
    }
    static kal::Reply reply(bool ok, double number = 0, QStringList files = {}) {
        kal::Reply r;
        r.accepted = ok;
        r.number = number;
        r.files = std::move(files);
        return r;
    }
    static kal::Reply number(double value, bool ok = true) { return reply(ok, value); }
    static kal::Reply files(const QStringList& names) { return reply(!names.isEmpty(), 0, names); }

    std::vector<kal::Question> asked;
};

class WindowTest : public SeamAnswers {
protected:
    ~WindowTest() override { holdKeys({}); }

    std::unique_ptr<MainWindow> w = std::make_unique<MainWindow>();
    Ui_MainWindow& ui = *w->ui;
    kal::GLView& v = *w->view();
};

} // namespace kal::test
