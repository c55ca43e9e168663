#include <dlfcn.h>
#include <gmock/gmock.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWindow>
#include <thread>

#include "support/plugin_fixture.h"

namespace {

using ::testing::HasSubstr;

QStringList DefinedDynamicSymbols(const QString& library) {
    QProcess nm;
    nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"),
                                    QStringLiteral("--format=posix"), library});
    EXPECT_TRUE(nm.waitForFinished(30000));
    QStringList names;
    for (const QString& line : QString::fromLocal8Bit(nm.readAllStandardOutput()).split('\n')) {
        if (!line.trimmed().isEmpty()) {
            names << line.section(' ', 0, 0);
        }
    }
    names.sort();
    return names;
}

// Copies the plug-in, and the settings library unless told not to, into `dir` under `name`.
QString CopyPlugin(const QTemporaryDir& dir, const QString& name, bool withKovadex) {
    const QString target = dir.filePath(name);
    EXPECT_TRUE(QFile::copy(QString::fromStdString(PluginPath()), target));
    if (withKovadex) {
        EXPECT_TRUE(QFile::copy(QString::fromStdString(KovadexPath()),
                                dir.filePath(QStringLiteral("libkovadex.so"))));
    }
    return target;
}

TEST(PluginExports, ExactlyTheFourEntryPointsLeaveTheLibrary) {
    EXPECT_EQ(DefinedDynamicSymbols(QString::fromStdString(PluginPath())),
              (QStringList{"Command", "Initialize", "PluginName", "RDSGroup"}));
}

TEST(PluginExports, LoadingWithoutTheSettingsLibraryFailsNamingIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PluginLibrary plugin;
    EXPECT_FALSE(plugin.Load(CopyPlugin(dir, "tolvane.so", false).toStdString()));
    EXPECT_THAT(plugin.Error(), HasSubstr("libkovadex.so"));
}

TEST(PluginExports, NameIsTheSamePointerBeforeAndAfterInitialize) {
    PluginLibrary plugin;
    ASSERT_TRUE(plugin.Load(PluginPath())) << plugin.Error();
    const char* first = plugin.PluginName();
    EXPECT_STREQ(first, "Tolvane");
    EXPECT_EQ(plugin.PluginName(), first);
    ASSERT_NE(plugin.Initialize(0, 7), nullptr);
    EXPECT_EQ(plugin.PluginName(), first);
}

TEST(PluginExports, CallsBeforeInitializeAndNullArgumentsDoNothing) {
    PluginLibrary plugin;
    ASSERT_TRUE(plugin.Load(PluginPath())) << plugin.Error();
    const HostGroupRecord group = Group(0x6204, 0x0130, 0x966B, 0x594C);
    plugin.Command("SHOW", 0);
    plugin.RDSGroup(&group);
    plugin.RDSGroup(nullptr);
    plugin.Command(nullptr, 0);

    auto* window = static_cast<QWidget*>(plugin.Initialize(0, 1));
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->findChild<QLabel*>("LR")->text(), "LR");
    plugin.RDSGroup(nullptr);
    plugin.Command(nullptr, 0);
    EXPECT_EQ(window->findChild<QLabel*>("LR")->text(), "LR");
    EXPECT_FALSE(window->isVisible());
}

TEST(PluginExports, SecondInitializeReturnsTheFirstInstance) {
    PluginLibrary plugin;
    ASSERT_TRUE(plugin.Load(PluginPath())) << plugin.Error();
    void* first = plugin.Initialize(0, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(plugin.Initialize(0, 2), first);
    EXPECT_EQ(QApplication::topLevelWidgets().count(static_cast<QWidget*>(first)), 1);
}

TEST(PluginExports, CallsFromAnotherThreadAreIgnored) {
    PluginLibrary plugin;
    ASSERT_TRUE(plugin.Load(PluginPath())) << plugin.Error();
    auto* window = static_cast<QWidget*>(plugin.Initialize(0, 1));
    ASSERT_NE(window, nullptr);
    const HostGroupRecord group = Group(0x6204, 0x0130, 0x966B, 0x594C);
    std::thread other([&] {
        plugin.Command("SHOW", 0);
        plugin.RDSGroup(&group);
    });
    other.join();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->findChild<QLabel*>("LR")->text(), "LR");
}

TEST(PluginExports, UnloadDestroysTheWindowAndAReloadStartsFresh) {
    QPointer<QWidget> window;
    {
        PluginLibrary plugin;
        ASSERT_TRUE(plugin.Load(PluginPath())) << plugin.Error();
        window = static_cast<QWidget*>(plugin.Initialize(0, 1));
        ASSERT_NE(window, nullptr);
        const HostGroupRecord group = Group(0x6204, 0x0130, 0x966B, 0x594C);
        plugin.RDSGroup(&group);
        EXPECT_EQ(window->findChild<QLabel*>("LR")->text(), "1");
    }
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(dlopen(PluginPath().c_str(), RTLD_NOW | RTLD_NOLOAD), nullptr)
        << "the library stayed loaded after dlclose";

    PluginLibrary again;
    ASSERT_TRUE(again.Load(PluginPath())) << again.Error();
    auto* fresh = static_cast<QWidget*>(again.Initialize(0, 1));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->findChild<QLabel*>("LR")->text(), "LR");
}

struct SectionCase {
    const char* fileName;
    const char* section;
};

class PluginSectionName : public ::testing::TestWithParam<SectionCase> {};

TEST_P(PluginSectionName, FollowsTheFileNameItWasLoadedAs) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    PluginLibrary plugin;
    const QString path = CopyPlugin(dir, QString::fromLatin1(GetParam().fileName), true);
    ASSERT_TRUE(plugin.Load(path.toStdString())) << plugin.Error();
    auto* window = static_cast<QWidget*>(plugin.Initialize(0, 1));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->property("SectionName").toString(), QString::fromLatin1(GetParam().section));
}

INSTANTIATE_TEST_SUITE_P(Copies, PluginSectionName,
                         ::testing::Values(SectionCase{"tolvane.so", "tolvane"},
                                           SectionCase{"Extra Tool.DLL", "ExtraTool"},
                                           SectionCase{"a.dll.dll", "a"},
                                           SectionCase{"My Tool.Dll.so", "MyTool"}),
                         [](const ::testing::TestParamInfo<SectionCase>& testCase) {
                             return std::string(testCase.param.section);
                         });

}  // namespace

namespace {

TEST(PluginHostWindow, TheWindowStaysAboveTheHostWindowItWasGiven) {
    QWidget host;
    host.setWindowTitle("host");
    const auto id = static_cast<uintptr_t>(host.winId());
    PluginLibrary plugin;
    ASSERT_TRUE(plugin.Load(PluginPath())) << plugin.Error();
    auto* window = static_cast<QWidget*>(plugin.Initialize(id, 5));
    ASSERT_NE(window, nullptr);
    ASSERT_NE(window->windowHandle(), nullptr);
    EXPECT_EQ(window->windowHandle()->transientParent(), host.windowHandle());
    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_FALSE(window->isVisible());
}

TEST(PluginHostWindow, AnUnknownNativeWindowIdIsSurvived) {
    PluginLibrary plugin;
    ASSERT_TRUE(plugin.Load(PluginPath())) << plugin.Error();
    auto* window = static_cast<QWidget*>(plugin.Initialize(0x7fffffff, 5));
    ASSERT_NE(window, nullptr);
    plugin.Command("SHOW", 0);
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
