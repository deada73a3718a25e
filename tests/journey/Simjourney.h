#pragma once
// A journey against the simulated U8 on port 1, holding its full memory, with
// player 1 on file; FetchAllRounds takes every round of the U8 through the
// wizard's pages. Base is the journey fixture it extends.
#include <QApplication>

#include "journey/Journeyfixture.h"
#include "sim/Simport.h"
#include "sim/U8sim_device.h"
#include "transfer/Startwizard.h"
#include "transfer/Transw1.h"

template <class Base = JourneyTest> class SimJourney : public Base {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        sim.Device().LoadFull();
        UseSimPort(sim, 1);
        AppendRowBeforeStart("PlayerDetail", {{"UserId", 1}, {"FirstName", "Ann"}, {"LastName", "Berg"},
                                              {"HCP", 18.4}, {"Country", "SE"}});
    }
    void TearDown() override {
        Base::TearDown();
        sim.Stop();
    }
    // All rounds, U8 to Caddora, through the wizard's pages.
    void FetchAllRounds() {
        Steps s;
        s.Then([] { return Up(StartWiz); }, [] { StartWiz->NextButton->click(); });
        s.Then([] { return Up(TransWiz1); }, [] {
            TransWiz1->DownloadAllRoundsU8Button->click();
            TransWiz1->NextButton->click();
        });
        EXPECT_EQ(s.Run([] { MainForm->TransferWizard1->trigger(); }), 2u);
        ASSERT_TRUE(WaitFor([] { return !QApplication::activeModalWidget(); }, 30000));
        Flush();
    }

    u8sim::SimulatedU8 sim;
};
