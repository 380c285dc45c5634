// SPDX-License-Identifier: GPL-3.0-or-later
// The read command when the line goes away in the middle of a later page (an adapter pulled, the
// modem switched off), on virtual time: every look at the port fails from then on, and the command
// must still idle through its waits instead of polling a dead port without pause.
#include "core/fax/FaxReader.h"
#include "support/SimModemFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Counts the looks at the port (status queries, reads, writes, DTR) made after the line went away,
// and the virtual time from the first of them.
struct LookCounter {
    const quorra::QuorraModem& modem;
    const VirtualTime& time;
    uint64_t looks = 0;
    std::optional<uint32_t> firstTick;

    void Look() {
        if (!modem.LineDown())
            return;
        if (!firstTick)
            firstTick = time.TickCount();
        ++looks;
    }
};

class CountingBackend final : public SerialBackend {
public:
    CountingBackend(std::unique_ptr<SerialBackend> inner, LookCounter& counter)
        : m_inner(std::move(inner)), m_counter(counter) {}
    bool Open(const std::string& portName) override { return m_inner->Open(portName); }
    OpenReport LastOpen() const override { return m_inner->LastOpen(); }
    bool IsOpen() const override { return m_inner->IsOpen(); }
    bool Close() override { return m_inner->Close(); }
    bool Configure(const LineSettings& settings) override { return m_inner->Configure(settings); }
    bool Write(const char* data, size_t length) override {
        m_counter.Look();
        return m_inner->Write(data, length);
    }
    std::optional<size_t> BytesWaiting() override {
        m_counter.Look();
        return m_inner->BytesWaiting();
    }
    std::optional<size_t> Read(char* data, size_t length) override {
        m_counter.Look();
        return m_inner->Read(data, length);
    }
    bool SetDtr() override {
        m_counter.Look();
        return m_inner->SetDtr();
    }

private:
    std::unique_ptr<SerialBackend> m_inner;
    LookCounter& m_counter;
};

class CountingPorts final : public SerialBackendFactory {
public:
    CountingPorts(SerialBackendFactory& inner, LookCounter& counter) : m_inner(inner), m_counter(counter) {}
    std::unique_ptr<SerialBackend> Create() override {
        return std::make_unique<CountingBackend>(m_inner.Create(), m_counter);
    }

private:
    SerialBackendFactory& m_inner;
    LookCounter& m_counter;
};

class NoonClock final : public WallClock {
public:
    QDateTime Now() const override { return {QDate(2024, 3, 5), QTime(12, 0)}; }
};

std::string Page(const char* name) {
    return testsupport::ReadFile(std::string(FAXDESK_TEST_DATA_DIR) + "/pages/" + name + ".g3");
}

TEST(LineGone, InALaterPageTheCommandIdlesToItsEndInsteadOfPollingADeadPort) {
    SimModemFixture sim;
    LookCounter counter{sim.com1, sim.time, 0, std::nullopt};
    CountingPorts ports(sim.ports, counter);
    sim.com1.AddFax({"LATER PAGE", true, {Page("text-fine"), Page("checker"), Page("black-line")}});
    // 1000 bytes into the second page.
    sim.com1.AddFault(MakeFault(quorra::FaultKind::LineDrop, "\x12", 2, 1000));

    const std::string programDir = testsupport::MakeTempDir();
    NoonClock wallClock;
    FaxReader reader(LinkEnvironment{sim.time, sim.time, ports}, wallClock, programDir, testsupport::MakeTempDir());
    const retrieval::ReadOutcome outcome = reader.Read();

    // The fax is kept as far as it came, marked, and the read says so.
    EXPECT_EQ(outcome.result, (retrieval::ReadResult{retrieval::kPageNotEnded, 1}));
    EXPECT_EQ(outcome.details, QStringLiteral("第 1 份传真只收到 2 页中的 1 页，调制解调器仍保存该传真"));
    ASSERT_EQ(outcome.faxes.size(), 1u);
    EXPECT_EQ(outcome.faxes[0].pages, 2) << "the whole lines of the cut page are a page";
    std::vector<FaxRecord> records;
    reader.Store().LoadRecords([&records](const FaxRecord& record) { records.push_back(record); });
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].incomplete, "1/2");
    EXPECT_EQ(testsupport::TiffPages(records[0].file), 2);

    ASSERT_TRUE(sim.com1.LineDown());
    ASSERT_TRUE(counter.firstTick.has_value());
    const uint32_t elapsedMs = sim.time.TickCount() - *counter.firstTick;
    // The rest of the page (1000 empty polls), its closing "OK" (5 s) and the commands that return
    // the modem to data mode (the read ends at the broken page: no "RING" is waited for): nothing
    // waits longer than that.
    EXPECT_LT(elapsedMs, 17000u);
    // A poll that finds nothing, or finds the port gone, is followed by an idle of at least a
    // millisecond: at most one look per millisecond, and a handful of writes that fail at once.
    EXPECT_LE(counter.looks, elapsedMs + 20) << "looks at the dead port over " << elapsedMs << " ms";
    EXPECT_FALSE(reader.Link().IsOpen()) << "the port is given back";
}

} // namespace
