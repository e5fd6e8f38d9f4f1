// Runs the engine tests in one process, in any order: every test finds the program-wide state
// (preferences, message texts, kernel choice, thread count) as a fresh program
// has it, whatever the tests before it changed.
#include "Globals.h"
#include "Intensity.h"
#include "Resources.h"
#include "StringTable.h"
#include "StructureFactorKernel.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class FreshProgramState : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        InitVLGlobals();
        gPrefs = gFactoryPrefs;
        quittingTime = false;
        UseKernelPath(BestKernelPath());
        SetEngineThreadCount(0);
        SetSiteGrouping(true);
        if (!LoadStringTable(FindResourceFile("strings")))
            ADD_FAILURE() << "the shipped message texts cannot be read";
    }
};

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The listener list takes ownership.
    ::testing::UnitTest::GetInstance()->listeners().Append(std::make_unique<FreshProgramState>().release());
    return RUN_ALL_TESTS();
}
