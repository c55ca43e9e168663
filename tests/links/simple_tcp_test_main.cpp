#include <QCoreApplication>

#include <gtest/gtest.h>

// The link needs the event loop of the thread that creates it, as on the plug-in's GUI thread.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
