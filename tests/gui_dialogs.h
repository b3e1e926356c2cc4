#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/dialogs.h"

namespace mirca {

// The dialog service of the window tests: every box is answered from a queue prepared by the test, and
// every call is recorded. A question nobody scripted fails the test instead of blocking it, and answers
// left over when the double goes away fail it too (the window asked less than the test expected).
class TScriptedDialogs : public IDialogService {
public:
    enum class TKind { Inform, Ask, ChooseFolder, ChooseOpenFile, ChooseSaveFile, Exception };
    struct TCall {
        TKind kind;
        std::string caption;
        std::string text;  // the box's text, a file filter, or the exception's text
        std::optional<TIcon> icon;
        bool defaultNo = false;
        std::filesystem::path start;
    };

    TScriptedDialogs() = default;
    TScriptedDialogs(const TScriptedDialogs&) = delete;
    TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;
    ~TScriptedDialogs() override {
        if (!answers_.empty() || !folders_.empty() || !openFiles_.empty() || !saveFiles_.empty())
            ADD_FAILURE() << "scripted dialog answers left unused: " << answers_.size() << " answers, "
                          << folders_.size() << " folders, " << openFiles_.size() << " open files, "
                          << saveFiles_.size() << " save files";
    }

    void ScriptAnswer(TAnswer answer) { answers_.push_back(answer); }
    // nullopt scripts a cancelled dialog.
    void ScriptFolder(std::optional<std::filesystem::path> folder) { folders_.push_back(std::move(folder)); }
    void ScriptOpenFile(std::optional<std::filesystem::path> file) { openFiles_.push_back(std::move(file)); }
    void ScriptSaveFile(std::optional<std::filesystem::path> file) { saveFiles_.push_back(std::move(file)); }

    const std::vector<TCall>& Calls() const { return calls_; }
    std::size_t Count(TKind kind) const {
        std::size_t n = 0;
        for (const TCall& call : calls_)
            if (call.kind == kind) ++n;
        return n;
    }
    void Clear() { calls_.clear(); }
    // The texts of the calls of one kind, in order.
    std::vector<std::string> Texts(TKind kind) const {
        std::vector<std::string> texts;
        for (const TCall& call : calls_)
            if (call.kind == kind) texts.push_back(call.text);
        return texts;
    }

    void Inform(const std::string& caption, const std::string& text, TIcon icon) override {
        calls_.push_back({TKind::Inform, caption, text, icon, false, {}});
    }
    TAnswer Ask(const std::string& caption, const std::string& text, bool defaultNo) override {
        calls_.push_back({TKind::Ask, caption, text, TIcon::Question, defaultNo, {}});
        if (answers_.empty()) {
            ADD_FAILURE() << "unscripted question: [" << caption << "] " << text;
            return TAnswer::No;
        }
        const TAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    std::optional<std::filesystem::path> ChooseFolder(const std::string& caption,
                                                      const std::filesystem::path& start) override {
        calls_.push_back({TKind::ChooseFolder, caption, {}, std::nullopt, false, start});
        return Take(folders_, "folder choice", caption);
    }
    std::optional<std::filesystem::path> ChooseOpenFile(const std::string& caption,
                                                        const std::filesystem::path& start,
                                                        const std::string& filter) override {
        calls_.push_back({TKind::ChooseOpenFile, caption, filter, std::nullopt, false, start});
        return Take(openFiles_, "open-file choice", caption);
    }
    std::optional<std::filesystem::path> ChooseSaveFile(const std::string& caption,
                                                        const std::filesystem::path& start,
                                                        const std::string& filter) override {
        calls_.push_back({TKind::ChooseSaveFile, caption, filter, std::nullopt, false, start});
        return Take(saveFiles_, "save-file choice", caption);
    }
    void ShowException(const std::string& text) override {
        calls_.push_back({TKind::Exception, {}, text, TIcon::Error, false, {}});
    }

private:
    using TQueue = std::deque<std::optional<std::filesystem::path>>;
    static std::optional<std::filesystem::path> Take(TQueue& queue, const char* what,
                                                     const std::string& caption) {
        if (queue.empty()) {
            ADD_FAILURE() << "unscripted " << what << ": " << caption;
            return std::nullopt;
        }
        auto answer = std::move(queue.front());
        queue.pop_front();
        return answer;
    }

    std::vector<TCall> calls_;
    std::deque<TAnswer> answers_;
    TQueue folders_, openFiles_, saveFiles_;
};

}  // namespace mirca
