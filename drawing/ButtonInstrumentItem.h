#pragma once

#include "drawing/AbstractInstrumentItem.h"

namespace kiv {

// Base of the small circular instrument buttons; draws in item units.
class ButtonInstrumentItem : public AbstractInstrumentItem
{
    Q_OBJECT

public:
    explicit ButtonInstrumentItem(QQuickItem* parent = nullptr);

public slots:
    void reset() override;

protected:
    void layout() override;
    void drawInstrument(QPainter* painter) override;
};

} // namespace kiv
