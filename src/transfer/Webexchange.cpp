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
};

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
        return 0;
    }
    if (std::chrono::duration_cast<std::chrono::milliseconds>(now - t->lastByte).count() >
        t->idleMs) {
        t->idle = true;
        return 1;
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
    if (t.tooLarge || rc == CURLE_FILESIZE_EXCEEDED)
        throw ENetworkError("The reply is larger than " + std::to_string(MaxReplyBytes) +
                            " bytes.");
    if (t.idle) throw ENetworkError("The web service stopped answering.");
    if (rc != CURLE_OK)
        throw ENetworkError(error[0] ? std::string(error) : std::string(curl_easy_strerror(rc)));
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299)
        throw ENetworkError("The web service answered with status " + std::to_string(status) +
                            ".");
    return std::move(t.reply);
}
