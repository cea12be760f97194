#pragma once

#include "SimulatorFixture.h"

#include "DynamicLibrary.h"
#include "SatLibrary.h"

#include <string>

// The device functions a point of sale calls and the manager does not, reached by name.
using ConsultarNumeroSessaoFn = char*(SAT_WINAPI*)(int sessao, char* atv, int cNumeroDeSessao);
using ConsultarUltimaSessaoFiscalFn = char*(SAT_WINAPI*)(int sessao, char* atv);
using ComunicarCertificadoICPBRASILFn = char*(SAT_WINAPI*)(int sessao, char* atv,
                                                           char* certificado);

class PointOfSale : public SimulatorTest {
protected:
    void SetUp() override
    {
        SimulatorTest::SetUp();
        const dynlib::LoadResult loaded = dynlib::load(std::string(SatClient::librarySAT));
        ASSERT_NE(loaded.handle, nullptr) << loaded.error;
        handle = loaded.handle;
    }

    template <typename Fn> Fn get(const char* name) const
    {
        const Fn fn = dynlib::function<Fn>(handle, name);
        EXPECT_NE(fn, nullptr) << name;
        return fn;
    }

    std::string sale(int session)
    {
        std::string document = sample("venda.xml");
        return get<EnviarDadosVendaFn>("EnviarDadosVenda")(session, codeText.data(),
                                                           document.data());
    }
    std::string bySession(int session, int wanted, std::string code = demo::code)
    {
        return get<ConsultarNumeroSessaoFn>("ConsultarNumeroSessao")(session, code.data(), wanted);
    }
    std::string lastFiscal(int session, std::string code = demo::code)
    {
        return get<ConsultarUltimaSessaoFiscalFn>("ConsultarUltimaSessaoFiscal")(session,
                                                                                 code.data());
    }
    std::string certificate(int session, std::string text, std::string code = demo::code)
    {
        return get<ComunicarCertificadoICPBRASILFn>("ComunicarCertificadoICPBRASIL")(
            session, code.data(), text.data());
    }
    std::string decoded() const { return get<Base64ToAsciiFn>("Base64ToAscii")(); }

    dynlib::Handle handle = nullptr;
    std::string codeText = demo::code;
};
