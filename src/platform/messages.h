#pragma once
// Message boxes and questions as the logic sees them. The Qt shell shows real boxes; tests
// use ScriptedMessages, told its answers in advance.
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace korvane::platform {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    // The button Enter takes; none: the first one.
    std::optional<MessageAnswer> defaultButton = std::nullopt;
};

class Messages {
  public:
    virtual ~Messages() = default;
    virtual MessageAnswer Show(const Message& message) = 0;

    // The two everyday forms: an error box ("Ошибка") and a notice with the application title.
    void Error(const std::string& text) {
        Show({text, "Ошибка", MessageIcon::Error, MessageButtons::Ok});
    }
    void Notice(const std::string& text) {
        Show({text, "Korvane", MessageIcon::None, MessageButtons::Ok});
    }
};

// Test double: records every message; answers from its queue, else the first button's answer.
class ScriptedMessages : public Messages {
  public:
    MessageAnswer Show(const Message& message) override {
        shown.push_back(message);
        if (!answers.empty()) {
            MessageAnswer answer = answers.front();
            answers.pop_front();
            return answer;
        }
        switch (message.buttons) {
            case MessageButtons::YesNo:
            case MessageButtons::YesNoCancel:
                return MessageAnswer::Yes;
            default:
                return MessageAnswer::Ok;
        }
    }
    std::vector<Message> shown;
    std::deque<MessageAnswer> answers;
};

}  // namespace korvane::platform
