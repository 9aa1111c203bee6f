#pragma once

// Registry of the window tests. Each test is an ordinary Qt Test class (a QObject with private
// slots as test functions). Register it by placing the macro after the class, at namespace scope
// in the test's .cpp:
//
//     class MainWindowTest : public QObject {
//         Q_OBJECT
//     private slots:
//         void showsTitle();
//     };
//     VARDECK_GUI_TEST(MainWindowTest)
//
//     #include "main_window_test.moc"   // a Q_OBJECT class in a .cpp needs its moc output
//
// The argument must be a plain class name (no namespace qualifier) with a default constructor.
// gui_test_main.cpp runs every registered class with QTest::qExec, sorted by name, one fresh
// instance each, inside one QApplication.

#include <QObject>
#include <memory>
#include <vector>

namespace vardeck::guitest {

using TestFactory = std::unique_ptr<QObject> (*)();

struct RegisteredTest {
    const char* name;
    TestFactory make;
};

// Filled by the registrars during static initialisation, read by main.
inline std::vector<RegisteredTest>& registeredTests() {
    static std::vector<RegisteredTest> tests;
    return tests;
}

struct TestRegistrar {
    TestRegistrar(const char* name, TestFactory make) { registeredTests().push_back({name, make}); }
};

}  // namespace vardeck::guitest

#define VARDECK_GUI_TEST(ClassName)                                                     \
    static const ::vardeck::guitest::TestRegistrar vardeckGuiTestRegistrar_##ClassName( \
        #ClassName, []() -> std::unique_ptr<QObject> { return std::make_unique<ClassName>(); });
