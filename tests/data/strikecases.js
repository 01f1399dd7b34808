// Dip azimuth to strike by the right-hand rule, the edges included. Read by
// the C++ rule's test and by the QML theme's test, so both stay alike.
var cases = [
    { tag: "north", dipAzimuth: 0, strike: 270 },
    { tag: "just below a quarter", dipAzimuth: 89.99, strike: 359.99 },
    { tag: "quarter wraps to 0", dipAzimuth: 90, strike: 0 },
    { tag: "just above a quarter", dipAzimuth: 90.01, strike: 0.01 },
    { tag: "south-east", dipAzimuth: 120, strike: 30 },
    { tag: "west", dipAzimuth: 270, strike: 180 },
    { tag: "just below a turn", dipAzimuth: 359.99, strike: 269.99 },
    { tag: "a full turn", dipAzimuth: 360, strike: 270 },
    { tag: "negative", dipAzimuth: -30, strike: 240 },
    { tag: "more than a turn below", dipAzimuth: -400, strike: 230 }
]
