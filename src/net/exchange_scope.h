#pragma once

// Marks a SOCKS or tunnel exchange step for as long as the object lives:
// PlainExchange is true, so the bytes bypass TLS, and the time-out of every
// read counts from the start of that read instead of restarting with each
// packet, so a peer that trickles bytes cannot stretch a read. Both settings
// return to what they were however the step ends.
class ExchangeScope
{
public:
    ExchangeScope(bool& PlainExchange, bool& InterPacketTimeout)
        : m_plainExchange(PlainExchange)
        , m_interPacketTimeout(InterPacketTimeout)
        , m_savedInterPacketTimeout(InterPacketTimeout)
    {
        m_plainExchange = true;
        m_interPacketTimeout = false;
    }
    ~ExchangeScope()
    {
        m_plainExchange = false;
        m_interPacketTimeout = m_savedInterPacketTimeout;
    }
    ExchangeScope(const ExchangeScope&) = delete;
    ExchangeScope& operator=(const ExchangeScope&) = delete;

private:
    bool& m_plainExchange;
    bool& m_interPacketTimeout;
    bool m_savedInterPacketTimeout;
};
