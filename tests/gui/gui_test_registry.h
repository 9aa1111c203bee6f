#pragma once

// Registry of the window tests: each is a Qt Test class (a QObject with private slots as test
// functions), registered by VARDECK_GUI_TEST(ClassName) after the class at namespace scope, its
// .cpp ending with #include "<file>.moc". gui_test_main.cpp runs every registered class with
// QTest::qExec, sorted by name, one fresh instance each, inside one QApplication.

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
