// Runs every window test registered with VARDECK_GUI_TEST in one QApplication.
//
// Usage: vardeck_gui_tests [TestClass...] [Qt Test options and test functions]
// Arguments naming a registered class select those classes (all run when none is named); the
// remaining arguments go to QTest::qExec of each class that runs. The exit code is 0 only when
// every selected class passed.

#include <QApplication>
#include <QByteArray>
#include <QtTest>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "gui_test_registry.h"

int main(int argc, char** argv) {
    // Without a display the tests still run; an explicit QT_QPA_PLATFORM always wins.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    auto tests = vardeck::guitest::registeredTests();
    std::sort(tests.begin(), tests.end(),
              [](const auto& a, const auto& b) { return std::strcmp(a.name, b.name) < 0; });

    std::vector<char*> passOn;
    std::vector<const char*> selected;
    for (int i = 0; i < argc; ++i) {
        const bool isTestName =
            i > 0 && std::any_of(tests.begin(), tests.end(), [&](const auto& test) {
                return std::strcmp(test.name, argv[i]) == 0;
            });
        if (isTestName) {
            selected.push_back(argv[i]);
        } else {
            passOn.push_back(argv[i]);
        }
    }

    int failedClasses = 0;
    for (const auto& test : tests) {
        const bool wanted = selected.empty() ||
                            std::any_of(selected.begin(), selected.end(), [&](const char* name) {
                                return std::strcmp(name, test.name) == 0;
                            });
        if (!wanted) continue;
        const auto object = test.make();
        if (QTest::qExec(object.get(), static_cast<int>(passOn.size()), passOn.data()) != 0) {
            ++failedClasses;
        }
    }
    if (failedClasses != 0) {
        std::fprintf(stderr, "%d test class(es) failed\n", failedClasses);
        return 1;
    }
    return 0;
}
