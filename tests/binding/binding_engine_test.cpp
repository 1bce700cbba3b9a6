// Binding the engine by its one-letter exports: a missing library or a missing entry the
// program calls refuses with one line naming it, and nothing is left half bound.
#include <gtest/gtest.h>

#include <QString>

#include "EngineApi.h"

namespace {

class BindEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { UnbindEngine(); }
  void TearDown() override { UnbindEngine(); }
};

TEST_F(BindEngineTest, RefusesByNameWithOneLine) {
  struct Case {
    const char* what;
    QString library;
    QString expectedInProblem;
  };
  const Case cases[] = {
      {"missing file", QStringLiteral("/nonexistent/folder/libzelvo.so"),
       QStringLiteral("cannot load the image engine /nonexistent/folder/libzelvo.so")},
      {"entry d missing", QStringLiteral(STAND_IN_ENGINE), QStringLiteral("lacks the entry \"d\"")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    UnbindEngine();
    QString problem;
    EXPECT_FALSE(BindEngineFrom(c.library, &problem));
    EXPECT_TRUE(problem.contains(c.expectedInProblem)) << problem.toStdString();
    EXPECT_FALSE(problem.contains(QLatin1Char('\n'))) << problem.toStdString();
    EXPECT_FALSE(EngineReady());
  }
}

TEST_F(BindEngineTest, StandInWithoutFrameManagerNeverLooksReady) {
  QString problem;
  ASSERT_FALSE(BindEngineFrom(QStringLiteral(STAND_IN_ENGINE), &problem));
  // The entries it has are bound, the one it lacks stays null: no call can go through it.
  EXPECT_NE(Engine().a, nullptr);
  EXPECT_EQ(Engine().d, nullptr);
  EXPECT_FALSE(EngineReady());
  // Asking again gives the same refusal rather than a success.
  EXPECT_FALSE(BindEngineFrom(QStringLiteral(STAND_IN_ENGINE), &problem));
}

TEST_F(BindEngineTest, RealEngineBindsEveryCalledEntry) {
  QString problem;
  ASSERT_TRUE(BindEngineFrom(QStringLiteral(GALLIVO_BUILD_DIR "/libzelvo.so"), &problem))
      << problem.toStdString();
  EXPECT_TRUE(EngineReady());
  ZvImage* image = Engine().a(u"");
  ASSERT_NE(image, nullptr);
  Engine().b(&image);
  EXPECT_EQ(image, nullptr);
}

}  // namespace
