#pragma once
#include <stdexcept>
#include <string>

// Every failure of one exchange with the web service: no connection, a refused
// or dropped one, a status outside 200-299, a reply too large, a silence or a
// trickle. The text is the cause as the user may read it.
class ENetworkError : public std::runtime_error {
public:
    explicit ENetworkError(const std::string& cause, bool mayHaveArrived = false)
        : std::runtime_error(cause), MayHaveArrived(mayHaveArrived) {}
    // The whole request went out, and no answer came back whole or the answer
    // was an error status: the service may have acted on it.
    bool MayHaveArrived = false;
};

// The web-service settings of one player: "Address" under the program key,
// the account and the proxy under the player's key. Missing values read "".
struct TWebSettings {
    std::string Address;
    std::string UserName;
    std::string Password;
    std::string FirewallAdress;
    std::string Portnumber;
};
TWebSettings ReadWebSettings(int userId);

// "http://" + address + "/loadu8/default.asp".
std::string ServiceUrl(const std::string& address);

// One synchronous POST of an XML document (libcurl's easy interface). The
// proxy is the player's own: an empty server means none, whatever the
// environment's http_proxy says. Only http and https; redirects are not
// followed (a 3xx status is an error).
class TWebExchange {
public:
    TWebExchange();

    // Proxy server and port text as the settings hold them. A port text that
    // is no number throws EConvertError and changes nothing.
    void SetProxy(const std::string& server, const std::string& port);
    const std::string& ProxyServer() const { return proxyServer_; }
    int ProxyPort() const { return proxyPort_; }

    // Posts body with "Content-Type: text/xml" and returns the reply body as
    // received. Throws ENetworkError.
    std::string Post(const std::string& url, const std::string& body);

    // Limits; tests shorten them.
    long ConnectTimeoutMs = 15000;
    long IdleTimeoutMs = 30000;  // without a byte in either direction
    size_t MaxReplyBytes = 16u << 20;
    // Bytes that move, but fewer than LowSpeedBytesPerSec over a whole
    // window, end the exchange as a silence does.
    long LowSpeedBytesPerSec = 300;
    long LowSpeedWindowMs = 30000;

private:
    std::string proxyServer_;
    int proxyPort_ = 0;  // 0: the proxy's default port
};
