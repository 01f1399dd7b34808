#pragma once

#include <QObject>

namespace kiv {

// Base of the map tools. The application manager keeps a plain pointer to the
// active tool, so a tool that goes away while active clears it.
class Tool : public QObject
{
    Q_OBJECT

public:
    explicit Tool(QObject* parent = nullptr);
    ~Tool() override;
};

} // namespace kiv
