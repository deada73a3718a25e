// webdouble: serves the web-service double on 127.0.0.1 and prints its
// address; put it in caddora.conf as "Address" under
// [HKEY_LOCAL_MACHINE\Software\Orlent\Caddora]. Every request is logged on
// standard error, with its whole document under --documents.
//   webdouble [--user NAME --password PWD] [--courses N] [--seed N] [--documents]
//             [--download-fault trickle|all-courses|status500|silence]
//       --download-fault: every course download is answered so: a byte every
//       second, with every course of the store whether asked or not, with
//       status 500, or not at all for 60 s.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>

#include "sim/Webdouble.h"

namespace {
volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

const std::map<std::string, webdouble::Fault>& Faults() {
    static const std::map<std::string, webdouble::Fault> faults = {
        {"trickle", webdouble::Fault::Trickle},
        {"all-courses", webdouble::Fault::AllCourses},
        {"status500", webdouble::Fault::Status500},
        {"silence", webdouble::Fault::NoAnswer}};
    return faults;
}
}  // namespace

int main(int argc, char** argv) {
    std::string user, password;
    int courses = 0;
    unsigned seed = 1;
    std::string downloadFault;
    bool documents = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--user" && i + 1 < argc) user = argv[++i];
        else if (a == "--password" && i + 1 < argc) password = argv[++i];
        else if (a == "--courses" && i + 1 < argc) courses = std::atoi(argv[++i]);
        else if (a == "--seed" && i + 1 < argc) seed = unsigned(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--documents") documents = true;
        else if (a == "--download-fault" && i + 1 < argc && Faults().count(argv[i + 1])) downloadFault = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: %s [--user NAME --password PWD] [--courses N] [--seed N] [--documents]\n"
                         "          [--download-fault trickle|all-courses|status500|silence]\n",
                         argv[0]);
            return 2;
        }
    }
    webdouble::WebDouble web(seed);
    if (!user.empty()) web.SetAccount(user, password);
    if (!downloadFault.empty()) {
        web.TrickleMs = 1000;
        web.HoldMs = 60000;
        web.FaultOnData("GETCOURSES", Faults().at(downloadFault));
    }
    for (int i = 0; i < courses; ++i)
        web.AddCourse(webdouble::WebDouble::SampleCourse("Course " + std::to_string(i + 1),
                                                         i % 2 ? 9 : 18, 3));
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::printf("%s\n", web.Address().c_str());
    std::fflush(stdout);
    size_t shown = 0;
    while (!stopRequested) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        auto requests = web.Requests();
        for (; shown < requests.size(); ++shown) {
            std::fprintf(stderr, "%s %s DATA=%s%s\n", requests[shown].method.c_str(),
                         requests[shown].target.c_str(), requests[shown].data.c_str(),
                         requests[shown].wellFormed ? "" : " (not well-formed)");
            if (documents) std::fprintf(stderr, "%s\n", requests[shown].body.c_str());
        }
    }
    return 0;
}
