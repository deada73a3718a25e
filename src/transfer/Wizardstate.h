#pragma once
// What the transfer wizard's pages share: the user's choices, the web query,
// the send buffers and the flags of a run. Pages read and write this one
// object instead of each other's widgets and members; a page only opens the
// next one (and resets that page's own first-show flags and sort).
#include <string>
#include <vector>

#include "transfer/Transferbuffers.h"

struct TWizardState {
    // Step 1: where the files come from.
    enum class TSource { Device, Database, Web, AllRounds };
    TSource Source = TSource::Device;
    // Step 2, with the database as the source: where they go.
    enum class TDestination { Device, Web };
    TDestination Destination = TDestination::Device;

    // The course page of the database: one course and one of its tees (for
    // the device), or several courses (for the web service).
    bool OneCourseAndTee = false;
    // The tee the device upload sends: the course page's tee box index, -1 none.
    int TeeIndex = -1;

    // The web query for the course list page.
    std::string QueryCountryId;
    std::string QueryStateId;
    std::string QueryCourseName;
    // The courses the last web download imported, and those it asked for
    // that the reply did not bring, for the summary.
    std::vector<std::string> ImportedCourses;
    std::vector<std::string> MissingCourses;

    // The device course import's warning about default information, once
    // for as long as the program runs.
    unsigned char LengthWarningShown = 0;

    // What the send page sends.
    TTransferBuffers Send;
};

// The one state of the wizard; the windows made at start reset it.
TWizardState& WizardState();
