#include "transfer/Webexchange.h"

#include <curl/curl.h>

#include <chrono>
#include <mutex>

#include "platform/Registry.h"
#include "platform/Textutil.h"

TWebSettings ReadWebSettings(int userId) {
    TWebSettings s;
    TRegistry reg(RegRoot::LocalMachine);
    if (reg.OpenKey(PlayerKey(userId), false)) {
        s.UserName = reg.ReadString("UserName");
        s.Password = reg.ReadString("Password");
        s.FirewallAdress = reg.ReadString("FirewallAdress");
        s.Portnumber = reg.ReadString("Portnumber");
        reg.CloseKey();
    }
    s.Address = RegReadString(RegRoot::LocalMachine, "Software\\Orlent\\Caddora\\", "Address");
    return s;
}

std::string ServiceUrl(const std::string& address) {
    return "http://" + address + "/loadu8/default.asp";
}

namespace {
using Clock = std::chrono::steady_clock;

struct Transfer {
    std::string reply;
    size_t limit = 0;
    bool tooLarge = false;
    long idleMs = 0;
    Clock::time_point lastByte;
    curl_off_t lastDown = 0, lastUp = 0;
    bool idle = false;
    // The low-speed window: when it began and the bytes moved by then.
    curl_off_t requestBytes = 0;
    long slowBytesPerSec = 0;
    long slowWindowMs = 0;
    Clock::time_point windowStart;
    curl_off_t windowBytes = 0;
    bool slow = false;
};

long long MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

size_t Receive(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->reply.size() + n > t->limit) {
        t->tooLarge = true;
        return 0;  // aborts the transfer
    }
    t->reply.append(data, n);
    return n;
}

int Progress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
    auto* t = static_cast<Transfer*>(user);
    const auto now = Clock::now();
    if (down != t->lastDown || up != t->lastUp) {
        t->lastDown = down;
        t->lastUp = up;
        t->lastByte = now;
    } else if (MsBetween(t->lastByte, now) > t->idleMs) {
        t->idle = true;
        return 1;
    }
    // While the service works on the whole request, before the reply's first
    // byte, nothing moves: that wait is the idle limit's, the window starts
    // anew after it.
    if (down == 0 && up >= t->requestBytes) {
        t->windowStart = now;
        t->windowBytes = up;
    } else if (MsBetween(t->windowStart, now) >= t->slowWindowMs) {
        const curl_off_t moved = down + up - t->windowBytes;
        if (moved * 1000 < static_cast<curl_off_t>(t->slowBytesPerSec) * t->slowWindowMs) {
            t->slow = true;
            return 1;
        }
        t->windowStart = now;
        t->windowBytes = down + up;
    }
    return 0;
}

void GlobalInit() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Handle {
    CURL* curl = curl_easy_init();
    curl_slist* headers = nullptr;
    ~Handle() {
        curl_slist_free_all(headers);
        if (curl) curl_easy_cleanup(curl);
    }
};
} // namespace

TWebExchange::TWebExchange() { GlobalInit(); }

void TWebExchange::SetProxy(const std::string& server, const std::string& port) {
    int number = proxyPort_;
    if (!port.empty()) number = StrToInt(port);  // EConvertError before anything changes
    proxyPort_ = number;
    proxyServer_ = server;
}

std::string TWebExchange::Post(const std::string& url, const std::string& body) {
    Handle h;
    if (!h.curl) throw ENetworkError("The network library could not start.");
    Transfer t;
    t.limit = MaxReplyBytes;
    t.idleMs = IdleTimeoutMs;
    t.lastByte = Clock::now();
    t.requestBytes = static_cast<curl_off_t>(body.size());
    t.slowBytesPerSec = LowSpeedBytesPerSec;
    t.slowWindowMs = LowSpeedWindowMs;
    t.windowStart = t.lastByte;
    char error[CURL_ERROR_SIZE] = {};

    h.headers = curl_slist_append(h.headers, "Content-Type: text/xml");
    h.headers = curl_slist_append(h.headers, "Expect:");
    h.headers = curl_slist_append(h.headers, "Accept: text/html, */*");
    CURL* c = h.curl;
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, h.headers);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "Mozilla/3.0 (compatible; Indy Library)");
    // An empty proxy text switches the environment's proxy off as well.
    curl_easy_setopt(c, CURLOPT_PROXY, proxyServer_.c_str());
    if (!proxyServer_.empty() && proxyPort_ > 0)
        curl_easy_setopt(c, CURLOPT_PROXYPORT, static_cast<long>(proxyPort_));
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, ConnectTimeoutMs);
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(MaxReplyBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Receive);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);

    const CURLcode rc = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    // The request went out whole: whatever came back, the service may have it.
    long requestHead = 0;
    curl_off_t sent = 0;
    curl_easy_getinfo(c, CURLINFO_REQUEST_SIZE, &requestHead);
    curl_easy_getinfo(c, CURLINFO_SIZE_UPLOAD_T, &sent);
    const bool sentWhole = requestHead > 0 && sent >= t.requestBytes;
    if (t.tooLarge || rc == CURLE_FILESIZE_EXCEEDED)
        throw ENetworkError("The reply is larger than " + std::to_string(MaxReplyBytes) +
                            " bytes.", sentWhole);
    if (t.idle || t.slow) throw ENetworkError("The web service stopped answering.", sentWhole);
    if (rc != CURLE_OK)
        throw ENetworkError(error[0] ? std::string(error) : std::string(curl_easy_strerror(rc)),
                            sentWhole);
    if (status < 200 || status > 299)
        throw ENetworkError("The web service answered with status " + std::to_string(status) +
                            ".", sentWhole);
    return std::move(t.reply);
}
