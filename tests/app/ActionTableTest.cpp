#include "app/ActionTable.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QKeySequence>
#include <QSet>
#include <QString>

#include <cstring>
#include <map>
#include <set>
#include <string>

using namespace kal::ui;

namespace {

bool isMenuName(const char* s) { return findMenu(s) != nullptr; }

// ":/Icons/x.png" -> <source>/resources/Icons/x.png
QString sourcePathOf(const char* resource) {
    return QStringLiteral(KAL_SOURCE_DIR "/resources/") + QString::fromLatin1(resource + 2);
}

} // namespace

TEST(ActionTable, rowsAreInCreationOrderWithUniqueNames) {
    std::set<std::string> names;
    for (int i = 0; i < actionRows().size(); ++i) {
        EXPECT_EQ(actionRows()[i].order, i + 1) << actionRows()[i].name;
        EXPECT_TRUE(names.insert(actionRows()[i].name).second) << actionRows()[i].name;
        EXPECT_EQ(std::strncmp(actionRows()[i].name, "action", 6), 0);
    }
    for (const MenuRow& m : menuRows()) {
        EXPECT_TRUE(names.insert(m.name).second) << m.name;
        EXPECT_EQ(std::strncmp(m.name, "menu", 4), 0);
    }
}

TEST(ActionTable, everyEntryNamesAnExistingActionOrMenuAndNothingIsListedTwice) {
    std::map<std::string, int> listed;
    for (const MenuEntryRow& e : menuEntryRows()) {
        ASSERT_NE(findMenu(e.menu), nullptr) << e.menu;
        if (isSeparator(e)) continue;
        EXPECT_TRUE(findAction(e.entry) || findMenu(e.entry)) << e.entry;
        ++listed[e.entry];
    }
    for (const auto& [name, n] : listed) EXPECT_EQ(n, 1) << name;

    // Every submenu hangs in exactly one menu and no menu-bar menu hangs anywhere.
    for (const MenuRow& m : menuRows()) {
        bool onBar = false;
        for (const char* b : menuBarRows()) onBar |= std::strcmp(b, m.name) == 0;
        EXPECT_EQ(listed.count(m.name), onBar ? 0u : 1u) << m.name;
    }

    std::vector<std::string> unlisted;
    for (const ActionRow& a : actionRows())
        if (!listed.count(a.name)) unlisted.push_back(a.name);
    EXPECT_EQ(unlisted, (std::vector<std::string>{"actionProfiles", "actionAxis", "actionSection", "actionArrays",
                                                  "actionBinary", "actionTransformers"}));
    for (const std::string& name : unlisted) {
        const ActionRow* a = findAction(name.c_str());
        EXPECT_STREQ(a->shortcut, "") << name;
        EXPECT_TRUE(a->flags & NoSlot) << name;
    }
}

TEST(ActionTable, submenusAreCreatedAfterTheMenuThatListsThem) {
    std::map<std::string, int> createdAt;
    for (int i = 0; i < menuRows().size(); ++i) createdAt[menuRows()[i].name] = i;
    for (const MenuEntryRow& e : menuEntryRows())
        if (isMenuName(e.entry)) {
            EXPECT_LT(createdAt[e.menu], createdAt[e.entry]) << e.entry;
        }
}

TEST(ActionTable, shortcutsParseAndOnlyTheKnownPairsShareAKey) {
    int withShortcut = 0;
    std::map<int, std::vector<std::string>> byKey;
    for (const ActionRow& a : actionRows()) {
        if (!*a.shortcut) continue;
        ++withShortcut;
        const QKeySequence key(QString::fromLatin1(a.shortcut), QKeySequence::PortableText);
        ASSERT_EQ(key.count(), 1) << a.name << " " << a.shortcut;
        EXPECT_NE(key[0], int(Qt::Key_unknown)) << a.name;
        byKey[key[0]].push_back(a.name);
    }
    EXPECT_EQ(withShortcut, 87);
    EXPECT_EQ(byKey.size(), 82u);

    std::map<std::string, std::vector<std::string>> shared;
    for (const auto& [key, names] : byKey)
        if (names.size() > 1) shared[QKeySequence(key).toString().toStdString()] = names;
    const std::map<std::string, std::vector<std::string>> expected = {
        {"D", {"actionDynamics", "actionSame_Depth"}},
        {"F1", {"actionInsert", "actionDeform"}},
        {"F2", {"actionPlace", "actionInflate"}},
        {"F3", {"actionPinch", "actionAsmRotate"}},
        {"Alt+[", {"actionDraw_Rotation_Items_3", "actionElevation_0"}},
    };
    EXPECT_EQ(shared, expected);
}

TEST(ActionTable, iconsAreSeventyFourDistinctFilesThatAllExist) {
    QSet<QString> distinct;
    QSet<QString> files;
    int twoState = 0;
    auto note = [&](const char* off, const char* on) {
        if (!*off) {
            EXPECT_STREQ(on, "");
            return;
        }
        distinct.insert(QString::fromLatin1(off) + '|' + QString::fromLatin1(on));
        files.insert(QString::fromLatin1(off));
        if (*on) files.insert(QString::fromLatin1(on));
    };
    for (const ActionRow& a : actionRows()) {
        note(a.icon, a.iconOn);
        if (*a.iconOn) {
            ++twoState;
            EXPECT_TRUE(a.flags & Checkable) << a.name;
        }
    }
    for (const MenuRow& m : menuRows()) note(m.icon, "");
    EXPECT_EQ(twoState, 6);
    EXPECT_EQ(distinct.size(), 74);

    files << ":/Icons/logo.ico"
          << ":/Icons/menu_indicator.png"
          << ":/Icons/empty.png";
    for (const QString& f : files) {
        EXPECT_TRUE(f.startsWith(":/Icons/") || f.startsWith(":/IconsCreate/")) << f.toStdString();
        EXPECT_TRUE(QFileInfo::exists(sourcePathOf(f.toLatin1().constData()))) << f.toStdString();
    }
}
