// How the allocation state of a deleted file's clusters and the content check of its
// first bytes make one judgement.
#include "volume/Recoverability.h"

#include <gtest/gtest.h>

namespace qr::volume {
namespace {

TEST(RecoverabilityJudge, AllocationDecidesAndAForeignStartOverrules) {
    using C = ContentVerdict;
    EXPECT_EQ(JudgeRecoverability({10, 0, 0}, C::Fits), Recoverability::Intact);
    EXPECT_EQ(JudgeRecoverability({10, 0, 0}, C::Unknown), Recoverability::Intact);
    EXPECT_EQ(JudgeRecoverability({10, 3, 0}, C::Fits), Recoverability::PartlyOverwritten);
    EXPECT_EQ(JudgeRecoverability({10, 10, 0}, C::Fits), Recoverability::Overwritten);
    // Free clusters that begin with another format were written again after the delete.
    EXPECT_EQ(JudgeRecoverability({10, 0, 0}, C::Contradicts), Recoverability::Overwritten);
    // Clusters past the end of the volume are lost as surely as taken ones.
    EXPECT_EQ(JudgeRecoverability({4, 0, 6}, C::Fits), Recoverability::PartlyOverwritten);
    EXPECT_EQ(JudgeRecoverability({0, 0, 6}, C::Unknown), Recoverability::Overwritten);
    EXPECT_EQ(JudgeRecoverability({}, C::Unknown), Recoverability::Intact); // empty file
}

TEST(RecoverabilityJudge, TextsAreTheListedOnes) {
    EXPECT_EQ(RecoverabilityText(Recoverability::Intact), "intact");
    EXPECT_EQ(RecoverabilityText(Recoverability::PartlyOverwritten), "partly overwritten");
    EXPECT_EQ(RecoverabilityText(Recoverability::Overwritten), "overwritten");
    EXPECT_EQ(RecoverabilityText(Recoverability::Unknown), "unknown");
}

} // namespace
} // namespace qr::volume
