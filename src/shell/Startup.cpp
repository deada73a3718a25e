// The windows created at start-up, in their fixed order.
#include "courses/Newpoint.h"
#include "players/Clubbrowse.h"
#include "players/Clubstats.h"
#include "players/Editclub.h"
#include "platform/Datafolder.h"
#include "platform/Messagebox.h"
#include "players/Newbag.h"
#include "players/Newclub.h"
#include "players/Playerrules.h"
#include "rounds/Shotedit.h"
#include "shell/About.h"
#include "shell/Mainform.h"
#include "common/Printform.h"
#include "common/Progresswin.h"
#include "transfer/Startwizard.h"
#include "transfer/Transw1.h"
#include "transfer/Transw2.h"
#include "transfer/Transw21.h"
#include "transfer/Transw3.h"
#include "transfer/Transw31.h"
#include "transfer/Transw32.h"
#include "transfer/Transw33.h"
#include "transfer/Transw34.h"
#include "transfer/Transw35.h"
#include "transfer/Transw4.h"
#include "transfer/Webdocument.h"
#include "transfer/Wizardstate.h"

bool CreateApplicationWindows() {
    RemoveLeftoverRequestFiles();
    // Held while the program runs: another program on the same data folder
    // then leaves the bags of this one's player window alone. Missed while
    // another holds the folder alone; the first new bag takes it then.
    HoldDataFolder();
    auto* main = new TMainForm();
    if (!main->DatabaseOpen()) {
        delete main;
        ReleaseDataFolder();
        return false;
    }
    // Bags a player editor made and a killed program never stored: no editor
    // of this program is open yet, and none is removed while another program
    // holds the data folder.
    if (!main->Database.ReadOnly()) {
        try {
            TPlayerRecord::DeleteUnsavedBags(main->Database);
        } catch (const std::exception& e) {
            ShowErrorMessage(e);
        }
    }
    main->show();
    AboutBox = new TAboutBox(main);
    NewBagFrm = new TNewBagFrm(main);
    NewClubFrm = new TNewClubFrm(main);
    NewCoursePointFrm = new TNewCoursePointFrm(main);
    WizardState() = TWizardState();  // the wizard pages start anew
    TransWiz1 = new TTransWiz1(main);
    TransWiz2 = new TTransWiz2(main);
    TransWiz21 = new TTransWiz21(main);
    TransWiz3 = new TTransWiz3(TTransWiz3::TRoad::Web, main);
    TransWiz31 = new TTransWiz31(main);
    TransWiz32 = new TTransWiz32(main);
    TransWiz33 = new TTransWiz33(main);
    TransWiz34 = new TTransWiz34(main);
    TransWiz35 = new TTransWiz35(main);
    TransWiz36 = new TTransWiz36(main);
    TransWiz4 = new TTransWiz4(main);
    ShotEditForm = new TShotEditForm(main);
    EditClubForm = new TEditClubForm(main);
    StartWiz = new TStartWiz(main);
    ProgressForm = new TProgressForm(main);
    ClubBrowseForm = new TClubBrowseForm(main);
    ClubStatsForm = new TClubStatsForm(main);
    PrintingForm = new TPrintingForm(main);
    return true;
}

void DestroyApplicationWindows() {
    delete MainForm;
    ReleaseDataFolder();
}
