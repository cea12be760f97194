#include "SatResponse.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Field = std::optional<std::string_view>;

TEST(SatResponse, FieldsAreNumberedFromOneAndRunToTheNextBar)
{
    const SatResponse r("000345|12000|Rede Configurada com Sucesso||");
    EXPECT_EQ(r.fieldCount(), 5u);
    EXPECT_EQ(r.field(0), std::nullopt);
    EXPECT_EQ(r.field(1), Field("000345"));
    EXPECT_EQ(r.field(2), Field("12000"));
    EXPECT_EQ(r.field(3), Field("Rede Configurada com Sucesso"));
    EXPECT_EQ(r.field(4), Field(""));
    EXPECT_EQ(r.field(5), Field(""));
    EXPECT_EQ(r.field(6), std::nullopt);
}

TEST(SatResponse, TextsWithoutBarsOrEmpty)
{
    const SatResponse empty{std::string()};
    EXPECT_EQ(empty.fieldCount(), 1u);
    EXPECT_EQ(empty.field(1), Field(""));
    EXPECT_EQ(empty.field(2), std::nullopt);

    const SatResponse plain("Erro ao tentar abrir a porta");
    EXPECT_EQ(plain.field(1), Field("Erro ao tentar abrir a porta"));
    EXPECT_EQ(plain.field(2), std::nullopt);

    const SatResponse trailing("a|");
    EXPECT_EQ(trailing.field(2), Field(""));
    EXPECT_EQ(trailing.field(3), std::nullopt);
}

TEST(SatResponse, TestsAreCaseSensitive)
{
    const SatResponse r("000012|12000|Rede Configurada com Sucesso||");
    EXPECT_TRUE(r.contains("Sucesso"));
    EXPECT_FALSE(r.contains("sucesso"));
    EXPECT_FALSE(SatResponse("SUCESSO").contains("Sucesso"));
    EXPECT_TRUE(SatResponse("abc").equals("abc"));
    EXPECT_FALSE(SatResponse("abc ").equals("abc"));
}

TEST(SatResponse, KeepsInvalidBytesAndDecodesOnDemand)
{
    const SatResponse r("000012|08000|C\xF3"
                        "digo");
    EXPECT_EQ(r.text(), "000012|08000|C\xF3"
                        "digo");
    EXPECT_EQ(r.utf8(), "000012|08000|C\xEF\xBF\xBD"
                        "digo");
    EXPECT_EQ(r.fromAnsi(), "000012|08000|Código");
}

TEST(SatResponse, NotReachedCarriesItsReason)
{
    const SatResponse r = SatResponse::notReached("sem biblioteca");
    EXPECT_FALSE(r.reached());
    EXPECT_EQ(r.failure(), "sem biblioteca");
    EXPECT_EQ(r.text(), "");
    EXPECT_TRUE(SatResponse("x").reached());
}

} // namespace
