#include "curl_url_session.h"

#include <curl/curl.h>

#include <cassert>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace vorl {
namespace {

struct Transfer {
    UrlSession::Completion completion;
    std::string body;
    bool tooLong = false;
};

size_t collectBody(char* data, size_t size, size_t count, void* userData) {
    auto* transfer = static_cast<Transfer*>(userData);
    size_t length = size * count;
    if (transfer->body.size() + length > UrlSession::maximumBodySize) {
        transfer->tooLong = true;
        return 0; // stops the transfer with a write error
    }
    transfer->body.append(data, length);
    return length;
}

class CurlUrlSession final : public UrlSession {
public:
    CurlUrlSession() : multi(curl_multi_init()) {
        assert(multi);
        worker = std::thread([this] { run(); });
    }

    ~CurlUrlSession() override {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        curl_multi_wakeup(multi);
        worker.join();
        for (auto& [easy, transfer] : running) {
            curl_multi_remove_handle(multi, easy);
            curl_easy_cleanup(easy);
        }
        for (auto& [easy, transfer] : waiting)
            curl_easy_cleanup(easy);
        curl_multi_cleanup(multi);
    }

    void dataTask(const UrlRequest& request, Completion completion) override {
        CURL* easy = curl_easy_init();
        auto transfer = std::make_unique<Transfer>();
        transfer->completion = std::move(completion);
        curl_easy_setopt(easy, CURLOPT_URL, request.url.string().c_str());
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        auto timeout = static_cast<long>(request.timeoutInterval * 1000);
        curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, timeout);
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeout);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collectBody);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
        if (request.method == "POST") {
            curl_easy_setopt(easy, CURLOPT_POST, 1L);
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, "");
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, 0L);
        } else if (request.method != "GET") {
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        }
        {
            std::lock_guard lock(mutex);
            waiting.emplace_back(easy, std::move(transfer));
        }
        curl_multi_wakeup(multi);
    }

private:
    void run() {
        for (;;) {
            {
                std::lock_guard lock(mutex);
                if (stopping)
                    return;
                for (auto& [easy, transfer] : waiting) {
                    curl_multi_add_handle(multi, easy);
                    running.emplace(easy, std::move(transfer));
                }
                waiting.clear();
            }
            int active = 0;
            curl_multi_perform(multi, &active);
            int queued = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
                if (message->msg == CURLMSG_DONE)
                    finish(message->easy_handle, message->data.result);
            }
            curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
        }
    }

    void finish(CURL* easy, CURLcode result) {
        auto node = running.extract(easy);
        curl_multi_remove_handle(multi, easy);
        curl_easy_cleanup(easy);
        Transfer& transfer = *node.mapped();
        if (transfer.tooLong)
            transfer.completion(
                Failure{"the reply is longer than " + std::to_string(maximumBodySize) + " bytes"});
        else if (result != CURLE_OK)
            transfer.completion(Failure{curl_easy_strerror(result)});
        else
            transfer.completion(std::move(transfer.body));
    }

    CURLM* multi;
    std::mutex mutex;
    bool stopping = false;
    std::deque<std::pair<CURL*, std::unique_ptr<Transfer>>> waiting;
    std::map<CURL*, std::unique_ptr<Transfer>> running; // only the worker touches this
    std::thread worker;
};

} // namespace

std::unique_ptr<UrlSession> createCurlUrlSession() {
    static const CURLcode initialized = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)initialized;
    return std::make_unique<CurlUrlSession>();
}

} // namespace vorl
