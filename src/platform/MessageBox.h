// Every message box of the program: title "Aviluma", "确定" for information, "是"/"否" for questions.
// Callable from any thread; off the UI thread the caller waits while the UI thread shows the box.
// The text is given as its source text and shown in the player's language (Tr), the buttons too; a
// text made with arg() is translated by its caller, as its template.
#pragma once

#include <QString>

#include <functional>

enum class MessageKind { Information, Question };

// Shows text with an OK button and returns when the player has closed the box.
void MessageBoxOk(const QString& text);
// Asks text with Yes and No; true only for Yes.
bool MessageBoxYesNo(const QString& text);
// The same for a question that may stop mattering before it is answered: the box closes by itself,
// as No, once stillAsked() turns false (it is looked at a few times a second on the UI thread).
bool MessageBoxYesNoWhile(const QString& text, const std::function<bool()>& stillAsked);

// Tests answer the boxes instead of a player: the responder gets each text as shown and its kind and returns
// the answer to a question (ignored for information). An empty responder restores the real boxes.
using MessageResponder = std::function<bool(const QString& text, MessageKind kind)>;
void SetMessageResponder(MessageResponder responder);
