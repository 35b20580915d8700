// IsAdministrator against the process's real token.
#include <windows.h>

#include <gmock/gmock.h>

#include "update/Administrator.h"

namespace {

TEST(IsAdministrator, AnswersForTheCurrentUser)
{
    bool bIsAdmin = false;
    ASSERT_TRUE(IsAdministrator(bIsAdmin));
    // Wine's user is a member of the Administrators group; on Windows the answer depends on
    // the account that runs the tests.
    EXPECT_TRUE(bIsAdmin);
}

}  // namespace
