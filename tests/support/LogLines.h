#pragma once
// Collects the messages of the program's logging categories while it lives, instead of letting
// them reach stderr; messages of Qt's own categories pass on as before.
#include <QMessageLogContext>
#include <QString>
#include <QtGlobal>

#include <cstring>
#include <string>
#include <vector>

namespace kal::test {

class LogLines {
public:
    LogLines() {
        lines().clear();
        previous() = qInstallMessageHandler(&collect);
    }
    ~LogLines() { qInstallMessageHandler(previous()); }
    LogLines(const LogLines&) = delete;
    LogLines& operator=(const LogLines&) = delete;

    const std::vector<std::string>& all() const { return lines(); }
    bool contains(const std::string& text) const {
        for (const auto& line : lines())
            if (line == text) return true;
        return false;
    }
    // The lines holding part somewhere.
    size_t count(const std::string& part) const {
        size_t n = 0;
        for (const auto& line : lines())
            if (line.find(part) != std::string::npos) ++n;
        return n;
    }

private:
    static void collect(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (context.category && std::strncmp(context.category, "kal.", 4) == 0)
            lines().push_back(message.toStdString());
        else if (previous())
            previous()(type, context, message);
    }
    static std::vector<std::string>& lines() {
        static std::vector<std::string> captured;
        return captured;
    }
    static QtMessageHandler& previous() {
        static QtMessageHandler handler = nullptr;
        return handler;
    }
};

} // namespace kal::test
