// What went wrong while a file was read, as values: the readers (files/, the scattering table,
// the record constructors they use) add their problems to a FileProblems list and return, and
// the caller shows the list once through the status sink (ShowProblems, Status.h). The desktop,
// the command line and the tests thus hear the same messages, each through its own sink.
#pragma once

#include <string>
#include <utility>
#include <vector>

enum class AlertKind { Stop, Caution, Note };

// One message: by key (its text and the explanation of key + "_2" are looked up when shown), or
// a text of the program's own when key is empty.
struct FileProblem {
    AlertKind kind = AlertKind::Stop;
    std::string key;
    std::string text;
    std::string explanation;

    bool operator==(const FileProblem&) const = default;
};

// The problems of one reading, in the order met.
class FileProblems {
public:
    void Stop(std::string key) { items_.push_back({AlertKind::Stop, std::move(key), {}, {}}); }
    void Caution(std::string key) { items_.push_back({AlertKind::Caution, std::move(key), {}, {}}); }
    void StopText(std::string text, std::string explanation = {})
    {
        items_.push_back({AlertKind::Stop, {}, std::move(text), std::move(explanation)});
    }
    void CautionText(std::string text, std::string explanation = {})
    {
        items_.push_back({AlertKind::Caution, {}, std::move(text), std::move(explanation)});
    }
    void Add(const FileProblems& more) { items_.insert(items_.end(), more.items_.begin(), more.items_.end()); }

    bool empty() const { return items_.empty(); }
    std::size_t size() const { return items_.size(); }
    const std::vector<FileProblem>& items() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    // The keys, in order (an empty string for a problem given as text), for checks.
    std::vector<std::string> Keys() const
    {
        std::vector<std::string> keys;
        for (const FileProblem& p : items_)
            keys.push_back(p.key);
        return keys;
    }
    void Clear() { items_.clear(); }

private:
    std::vector<FileProblem> items_;
};
