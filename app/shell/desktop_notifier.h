#pragma once

#include <QString>

// Tells the desktop that something has ended, for a user looking at another window.
class Notifier {
  public:
    virtual ~Notifier() = default;
    virtual void notify(const QString& summary, const QString& body) = 0;
};

// The freedesktop notification service on the session bus; without a session bus or the
// service, nothing happens.
class DesktopNotifier : public Notifier {
  public:
    void notify(const QString& summary, const QString& body) override;
};
