#pragma once
// Gives each test a store of its own: XDG_CONFIG_HOME points at a fresh temporary folder
// for the test's duration (child processes inherit it).

#include <QByteArray>
#include <QTemporaryDir>
#include <QtGlobal>

#include <gtest/gtest.h>

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(config_.isValid());
        previous_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", previous_); }

    QString ConfigDir() const { return config_.path(); }

private:
    QTemporaryDir config_;
    QByteArray previous_;
};
