#pragma once

#include "drawing/AbstractInstrumentItem.h"

namespace kiv {

// Base of the large circular instrument dials. Draws in device units (item
// units times the application's physical-to-GL multiplier).
class InstrumentItem : public AbstractInstrumentItem
{
    Q_OBJECT

public:
    explicit InstrumentItem(QQuickItem* parent = nullptr);

public slots:
    void reset() override;
    virtual void onUiChanged(QObject* ui);

protected:
    void layout() override;
    void drawInstrument(QPainter* painter) override;

    QObject* m_ui = nullptr;
};

} // namespace kiv
