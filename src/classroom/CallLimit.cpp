#include "classroom/CallLimit.h"

#include "classroom/ClassConnection.h"
#include "platform/Translation.h"
#include "state/Log.h"

CCallLimit::CCallLimit(CClassConnection& connection, std::chrono::milliseconds limit)
    : m_limit(limit), m_thread([this, &connection] {
          std::unique_lock lock(m_mutex);
          if (!m_done.wait_for(lock, m_limit, [this] { return m_bDone; })) {
              qCWarning(lcRecords, "the class server has not answered for %lld ms: the call is cut off",
                        static_cast<long long>(m_limit.count()));
              m_bCutOff = true;
              connection.Abort();
          }
      }) {}

CCallLimit::~CCallLimit() {
    {
        std::lock_guard lock(m_mutex);
        m_bDone = true;
    }
    m_done.notify_all();
    m_thread.join();
}

bool CCallLimit::CutOff() const {
    std::lock_guard lock(m_mutex);
    return m_bCutOff;
}

QString CCallLimit::Why() const {
    return Aviluma::tr("服务器 %1 秒没有回应。")
        .arg(std::chrono::duration_cast<std::chrono::seconds>(m_limit).count());
}
