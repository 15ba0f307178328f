#include "QsAnswers.h"

#include <deque>
#include <utility>

namespace {
struct Queued {
    QString question;
    QsAnswers::Handler handler;
};
struct State {
    std::deque<Queued> queue;
    QStringList log;
    bool recording = false;
};
State& state() {
    static State s;
    return s;
}
} // namespace

namespace QsAnswers {

void Push(const QString& question, const QVariant& answer) {
    PushHandler(question, [answer](QObject*) { return answer; });
}

void PushHandler(const QString& question, Handler handler) {
    state().queue.push_back({question, std::move(handler)});
}

std::optional<QVariant> Take(const QString& question, QObject* dialog) {
    auto& q = state().queue;
    for (auto it = q.begin(); it != q.end(); ++it) {
        if (it->question == question) {
            Handler h = std::move(it->handler);
            q.erase(it);
            return h(dialog);
        }
    }
    return std::nullopt;
}

void Record(const QString& question, const QString& text) {
    if (state().recording || !state().queue.empty())
        state().log.append(question + QStringLiteral(": ") + text);
}

QStringList Log() {
    return state().log;
}

void SetRecording(bool on) {
    state().recording = on;
}

int Pending() {
    return int(state().queue.size());
}

void Clear() {
    state().queue.clear();
    state().log.clear();
}

} // namespace QsAnswers
