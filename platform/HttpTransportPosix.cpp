#include "platform/HttpTransport.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

// The libcurl handle and the state of the exchange in progress, shared with libcurl's
// callbacks. A stall is noticed at the next of libcurl's progress calls, which come at
// least about once a second.
struct THttpTransport::TState {
    CURL* Curl = nullptr;
    const THttpExchange* Exchange = nullptr;
    bool Stopped = false;
    bool Stalled = false;
    bool Connected = false;
    Clock::time_point LastActivity;
    char ErrorBuffer[CURL_ERROR_SIZE] = {};

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
        auto& state = *static_cast<TState*>(self);
        const std::size_t length = size * count;
        state.LastActivity = Clock::now();
        std::string_view line(data, length);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
        if (state.Exchange->OnHeaderLine(line)) return length;
        state.Stopped = true;
        return 0;
    }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self) {
        auto& state = *static_cast<TState*>(self);
        const std::size_t length = size * count;
        state.LastActivity = Clock::now();
        if (state.Exchange->OnBody(std::string_view(data, length))) return length;
        state.Stopped = true;
        return 0;
    }

    static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto& state = *static_cast<TState*>(self);
        if (!state.Connected || Clock::now() - state.LastActivity < state.Exchange->StallLimit) return 0;
        state.Stalled = true;
        return 1;
    }

    static int OnConnected(void* self, char*, char*, int, int) {
        auto& state = *static_cast<TState*>(self);
        state.Connected = true;
        state.LastActivity = Clock::now();
        return CURL_PREREQFUNC_OK;
    }
};

THttpTransport::THttpTransport() : FState(std::make_unique<TState>()) {
    CURL* curl = curl_easy_init();
    if (!curl) throw std::runtime_error("The HTTP client could not be initialised.");
    FState->Curl = curl;
    TState* state = FState.get();
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // No proxy option: the transfer takes the proxy that the environment names
    // (http_proxy, https_proxy, no_proxy), as the user's other network tools do.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, state->ErrorBuffer);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &TState::OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, state);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &TState::OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, state);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &TState::OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, state);
    curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &TState::OnConnected);
    curl_easy_setopt(curl, CURLOPT_PREREQDATA, state);
}

THttpTransport::~THttpTransport() { curl_easy_cleanup(FState->Curl); }

THttpResult THttpTransport::Get(const THttpExchange& AExchange) {
    CURL* curl = FState->Curl;
    TState& state = *FState;
    curl_slist* headers = nullptr;
    for (const auto& header : AExchange.Headers) headers = curl_slist_append(headers, header.c_str());
    curl_easy_setopt(curl, CURLOPT_URL, AExchange.Url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(AExchange.ConnectLimit.count()));
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(AExchange.TotalLimit.count()));

    state.Exchange = &AExchange;
    state.Stopped = false;
    state.Stalled = false;
    state.Connected = false;
    state.ErrorBuffer[0] = '\0';
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    state.Exchange = nullptr;

    THttpResult result;
    result.Connected = state.Connected;
    char* location = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location) result.Location = location;
    if (code == CURLE_OK) result.End = THttpResult::TEnd::Done;
    else if (state.Stalled) result.End = THttpResult::TEnd::Stalled;
    else if (state.Stopped) result.End = THttpResult::TEnd::Stopped;
    else if (code == CURLE_OPERATION_TIMEDOUT) result.End = THttpResult::TEnd::TimedOut;
    else result.Error = state.ErrorBuffer[0] ? state.ErrorBuffer : curl_easy_strerror(code);
    return result;
}

std::time_t HttpDate(const std::string& AText) { return curl_getdate(AText.c_str(), nullptr); }

std::string HttpOrigin(const std::string& AUrl) {
    CURLU* parsed = curl_url();
    std::string origin;
    char* host = nullptr;
    char* port = nullptr;
    if (parsed && curl_url_set(parsed, CURLUPART_URL, AUrl.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK)
        origin = Lower(host) + ":" + port;
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(parsed);
    return origin;
}

std::string HttpWithoutCredentials(const std::string& AUrl) {
    CURLU* parsed = curl_url();
    std::string result = AUrl;
    char* user = nullptr;
    char* password = nullptr;
    char* cleaned = nullptr;
    if (parsed && curl_url_set(parsed, CURLUPART_URL, AUrl.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
        (curl_url_get(parsed, CURLUPART_USER, &user, 0) == CURLUE_OK ||
         curl_url_get(parsed, CURLUPART_PASSWORD, &password, 0) == CURLUE_OK) &&
        curl_url_set(parsed, CURLUPART_USER, nullptr, 0) == CURLUE_OK &&
        curl_url_set(parsed, CURLUPART_PASSWORD, nullptr, 0) == CURLUE_OK &&
        curl_url_set(parsed, CURLUPART_OPTIONS, nullptr, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_URL, &cleaned, 0) == CURLUE_OK)
        result = cleaned;
    curl_free(user);
    curl_free(password);
    curl_free(cleaned);
    curl_url_cleanup(parsed);
    return result;
}

}  // namespace platform
