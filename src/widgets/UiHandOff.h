// Setters of the widgets may be called from the link monitor or the game worker; the change itself is
// made on the UI thread, exactly as if it had been called there.
#pragma once

#include "platform/UiThread.h"

#include <QPointer>

// When called off the UI thread, queues job(widget) for the UI thread and returns true; the job is
// dropped if the widget is gone by then. On the UI thread (or with none attached) returns false and
// the caller goes on itself.
template <typename Widget, typename Job>
bool HandToUiThread(const QPointer<Widget>& widget, Job job) {
    if (!CUiThread::IsAttached() || CUiThread::IsUiThread())
        return false;
    CUiThread::Post([widget, job = std::move(job)] {
        if (widget)
            job(widget.data());
    });
    return true;
}
