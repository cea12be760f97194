#include "HostLink.h"

#include "Programs.h"
#include "SatClient.h"
#include "TestDevice.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using hostwire::Argument;
using hostwire::Reply;
using hostwire::Request;

const std::string program = VEXOR_HOST_PROGRAM;

std::unique_ptr<HostLink> started(const std::string& library = std::string(SatClient::librarySAT))
{
    std::string failure;
    auto link = HostLink::start(program, failure);
    EXPECT_TRUE(link) << failure;
    if (link) {
        EXPECT_EQ(link->exchange({Request::Kind::Load, library, {}})->kind, Reply::Kind::Loaded);
    }
    return link;
}

Request call(std::string function, std::vector<Argument> arguments = {})
{
    return {Request::Kind::Call, std::move(function), std::move(arguments)};
}

TEST(HostLink, CallsTheLibraryByItsBareNameAndReadsItsRecord)
{
    auto link = started();
    ASSERT_TRUE(link);
    const auto status =
        link->exchange(call("ConsultarStatusOperacional", {Argument::of(12), Argument::of("1")}));
    ASSERT_TRUE(status);
    EXPECT_EQ(status->kind, Reply::Kind::Text);
    const auto record = link->exchange(call("CodigoErro"));
    ASSERT_TRUE(record);
    EXPECT_EQ(record->kind, Reply::Kind::Record);
    EXPECT_EQ(record->code, 0);
    // A second load is the library already loaded.
    EXPECT_EQ(link->exchange({Request::Kind::Load, "other", {}})->kind, Reply::Kind::Loaded);
}

TEST(HostLink, TellsALibraryThatCannotBeLoadedAndAFunctionItLacks)
{
    std::string failure;
    auto link = HostLink::start(program, failure);
    ASSERT_TRUE(link) << failure;
    const auto absent = link->exchange({Request::Kind::Load, "vexor-no-such-library", {}});
    ASSERT_TRUE(absent);
    EXPECT_EQ(absent->kind, Reply::Kind::LoadFailed);
    // The loader's own words, which the manager puts after its message naming the library.
    EXPECT_FALSE(absent->text.empty());

    auto partial = started(TestDevice::file("dllsat_status_only"));
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->exchange(call("ConsultarSAT", {Argument::of(12)}))->kind,
              Reply::Kind::Missing);
}

TEST(HostLink, RefusesWhatNoFunctionTakesWithoutCallingIt)
{
    auto link = started();
    ASSERT_TRUE(link);
    for (const Request& request :
         {call("Desconhecida"), call("ConsultarSAT", {Argument::of("12")}),
          call("ConsultarSAT", {Argument::of(12), Argument::of(1)}), call("ConsultarSAT")}) {
        const auto reply = link->exchange(request);
        ASSERT_TRUE(reply) << request.name;
        EXPECT_EQ(reply->kind, Reply::Kind::BadRequest) << request.name;
    }
    EXPECT_TRUE(link->alive());
}

TEST(HostLink, AHostThatEndsInACallIsGoneAndTheNextOneWorks)
{
    programs::setVariable("VEXOR_TESTDEVICE_CRASH_IN", "ConsultarSAT");
    auto crashing = started();
    programs::setVariable("VEXOR_TESTDEVICE_CRASH_IN", nullptr);
    ASSERT_TRUE(crashing);
    EXPECT_FALSE(crashing->exchange(call("ConsultarSAT", {Argument::of(12)})));
    EXPECT_FALSE(crashing->alive());
    EXPECT_FALSE(crashing->exchange(call("CodigoErro")));

    auto next = started();
    ASSERT_TRUE(next);
    EXPECT_EQ(next->exchange(call("ConsultarSAT", {Argument::of(12)}))->kind, Reply::Kind::Text);
}

TEST(HostLink, AProgramThatIsNotThereIsTold)
{
    std::string failure;
    EXPECT_FALSE(HostLink::start(program + "-absent", failure));
    EXPECT_NE(failure.find(program + "-absent"), std::string::npos) << failure;
}

} // namespace
