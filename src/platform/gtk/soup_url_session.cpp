#include "soup_url_session.h"

#include "gobject_ptr.h"

#include <libsoup/soup.h>

#include <cmath>
#include <semaphore>
#include <set>
#include <thread>

namespace vorl {
namespace {

constexpr gsize readSize = 64 * 1024;

class SoupUrlSession;

// One request, from its start to its completion; it lives on the session's thread.
struct Exchange {
    Exchange(SoupUrlSession& session, UrlSession::Completion done)
        : owner(session), completion(std::move(done)) {}

    SoupUrlSession& owner;
    UrlSession::Completion completion;
    GObjectPtr<SoupMessage> message;
    GObjectPtr<GCancellable> cancellable = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
    GObjectPtr<GInputStream> body;
    std::string received;
    GSource* deadline = nullptr;
};

class SoupUrlSession final : public UrlSession {
public:
    SoupUrlSession() : context(g_main_context_new()), loop(g_main_loop_new(context, FALSE)) {
        std::binary_semaphore sessionMade(0);
        worker = std::thread([this, &sessionMade] {
            g_main_context_push_thread_default(context);
            // Made on this thread, where its every exchange runs. No proxy: the session only
            // ever talks to the engine on the loopback address.
            session = GObjectPtr<SoupSession>::adopt(
                soup_session_new_with_options("max-conns-per-host", 16, nullptr));
            soup_session_set_proxy_resolver(session.get(), nullptr);
            sessionMade.release();
            g_main_loop_run(loop);
            session = {};
            g_main_context_pop_thread_default(context);
        });
        // Making the session registers types and loads GIO's modules; the main thread waits,
        // so that the two never register types at once (a start was seen to hang with the
        // main thread on a type lock while setting up the session bus).
        sessionMade.acquire();
    }

    ~SoupUrlSession() override {
        onWorker([](SoupUrlSession& self) {
            // Exchanges still under way end without a completion, as the queue that would run
            // what they lead to goes too.
            self.stopping = true;
            for (Exchange* exchange : self.exchanges)
                g_cancellable_cancel(exchange->cancellable.get());
            self.quitWhenIdle();
        });
        worker.join();
        g_main_loop_unref(loop);
        g_main_context_unref(context);
    }

    void dataTask(const UrlRequest& request, Completion completion) override {
        auto* exchange = new Exchange(*this, std::move(completion));
        std::string method = request.method;
        std::string url = request.url.string();
        auto timeout = static_cast<guint>(std::lround(request.timeoutInterval * 1000));
        onWorker([exchange, method, url, timeout](SoupUrlSession& self) {
            self.start(exchange, method, url, timeout);
        });
    }

private:
    // Runs work on the session's thread, never inside this call.
    void onWorker(std::function<void(SoupUrlSession&)> work) {
        auto* task = new std::function<void()>([this, work = std::move(work)] { work(*this); });
        g_main_context_invoke_full(
            context, G_PRIORITY_DEFAULT,
            [](gpointer data) {
                (*static_cast<std::function<void()>*>(data))();
                return G_SOURCE_REMOVE;
            },
            task, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
    }

    void start(Exchange* exchange, const std::string& method, const std::string& url, guint timeout) {
        exchanges.insert(exchange);
        exchange->message = GObjectPtr<SoupMessage>::adopt(soup_message_new(method.c_str(), url.c_str()));
        if (!exchange->message)
            return finish(exchange, Failure{"not a URL: " + url});
        // The time-out bounds the whole exchange, from connecting to the last byte of the body.
        exchange->deadline = g_timeout_source_new(timeout);
        g_source_set_callback(
            exchange->deadline,
            [](gpointer data) {
                g_cancellable_cancel(static_cast<Exchange*>(data)->cancellable.get());
                return G_SOURCE_REMOVE;
            },
            exchange, nullptr);
        g_source_attach(exchange->deadline, context);
        soup_session_send_async(session.get(), exchange->message.get(), G_PRIORITY_DEFAULT,
                                exchange->cancellable.get(), onSent, exchange);
    }

    static void onSent(GObject* session, GAsyncResult* result, gpointer data) {
        auto* exchange = static_cast<Exchange*>(data);
        g_autoptr(GError) error = nullptr;
        exchange->body =
            GObjectPtr<GInputStream>::adopt(soup_session_send_finish(SOUP_SESSION(session), result, &error));
        if (!exchange->body)
            return exchange->owner.finish(exchange, Failure{error->message});
        exchange->owner.readMore(exchange);
    }

    void readMore(Exchange* exchange) {
        g_input_stream_read_bytes_async(exchange->body.get(), readSize, G_PRIORITY_DEFAULT,
                                        exchange->cancellable.get(), onRead, exchange);
    }

    static void onRead(GObject* stream, GAsyncResult* result, gpointer data) {
        auto* exchange = static_cast<Exchange*>(data);
        g_autoptr(GError) error = nullptr;
        g_autoptr(GBytes) bytes = g_input_stream_read_bytes_finish(G_INPUT_STREAM(stream), result, &error);
        if (!bytes)
            return exchange->owner.finish(exchange, Failure{error->message});
        gsize size = 0;
        const auto* chunk = static_cast<const char*>(g_bytes_get_data(bytes, &size));
        if (size == 0)
            return exchange->owner.finish(exchange, std::move(exchange->received));
        if (exchange->received.size() + size > maximumBodySize)
            return exchange->owner.finish(
                exchange, Failure{"the reply is longer than " + std::to_string(maximumBodySize) + " bytes"});
        exchange->received.append(chunk, size);
        exchange->owner.readMore(exchange);
    }

    void finish(Exchange* exchange, Result<std::string> outcome) {
        if (exchange->deadline) {
            g_source_destroy(exchange->deadline);
            g_source_unref(exchange->deadline);
        }
        exchanges.erase(exchange);
        if (!stopping)
            exchange->completion(std::move(outcome));
        delete exchange;
        if (stopping)
            quitWhenIdle();
    }

    void quitWhenIdle() {
        if (exchanges.empty())
            g_main_loop_quit(loop);
    }

    GMainContext* context;
    GMainLoop* loop;
    GObjectPtr<SoupSession> session; // the worker's only
    std::set<Exchange*> exchanges;   // the worker's only
    bool stopping = false;           // the worker's only
    std::thread worker;
};

} // namespace

std::unique_ptr<UrlSession> createSoupUrlSession() {
    return std::make_unique<SoupUrlSession>();
}

} // namespace vorl
