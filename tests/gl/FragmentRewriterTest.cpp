#include "gl/FragmentRewriter.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/Files.h"

namespace {

const std::string kEntry = "\nvoid main() { repl_main(); gl_FragColor = gl_FragColor.argb; }";
const std::string k2D =
    "vec4 repl_texture2D(sampler2D a,vec2 b) { return texture2D(a,b).SWIZZLE; }\n";
const std::string kLod =
    "vec4 repl_texture2DLod(sampler2D a,vec2 b,float c) { return texture2DLod(a,b,c).SWIZZLE; }\n";
const std::string kCube =
    "vec4 repl_textureCube(sampler2D a,vec3 b) { vec2 uv = vec2( (atan( b.x, b.z ) + "
    "3.141526f)/6.283052f, acos(b.y)/3.141526f ); return texture2D(a,uv).SWIZZLE; }\n";

std::string readShader(const std::string& name) {
    return readFile(QS_TEST_SOURCE_DIR "/tests/gl/shaders/" + name);
}

TEST(FragmentRewriter, RewritesQualifyingNamesAndPrependsEachWrapperOnce) {
    const std::pair<std::string, std::string> cases[] = {
        // The entry point: the first `main` after whitespace, before a
        // parenthesis (whitespace between allowed).
        {"void main(void) {}", "void repl_main(void) {}" + kEntry},
        {"void\tmain (x)", "void\trepl_main (x)" + kEntry},
        {"x;\nmain \r\n\v\f(x)", "x;\nrepl_main \r\n\v\f(x)" + kEntry},
        {"\rmain(", "\rrepl_main(" + kEntry},
        {" main() main()", " repl_main() main()" + kEntry},
        // A leading `main` never qualifies, but the search goes on past it.
        {"main() main()", "main() repl_main()" + kEntry},
        // Comments are text like any other: a `main(` in one wins.
        {"// see main() below\nvoid main() {}",
         "// see repl_main() below\nvoid main() {}" + kEntry},
        // texture2D: the search starts at position one.
        {"c = texture2D \t\r\n(t, uv);", k2D + "c = repl_texture2D \t\r\n(t, uv);"},
        {" texture2D(t,uv)", k2D + " repl_texture2D(t,uv)"},
        {"texture2D(a)+texture2D(b)", k2D + "texture2D(a)+repl_texture2D(b)"},
        {"c = texture2D(a,x) * texture2D(b,x) - texture2D(c,x);",
         k2D + "c = repl_texture2D(a,x) * repl_texture2D(b,x) - repl_texture2D(c,x);"},
        // texture2DLod calls survive the texture2D step and get their own wrapper.
        {"c=texture2DLod(a,x,1.0)+texture2DLod(a,x,2.0);",
         kLod + "c=repl_texture2DLod(a,x,1.0)+repl_texture2DLod(a,x,2.0);"},
        // The cube wrapper calls texture2D itself, yet brings no texture2D wrapper.
        {"c = textureCube(e, d) + textureCube (e, -d);",
         kCube + "c = repl_textureCube(e, d) + repl_textureCube (e, -d);"},
        // samplerCube before whitespace or a member, whatever follows.
        {"f(samplerCube\te)", "f(sampler2D\te)"},
        {"x=samplerCube.y", "x=sampler2D.y"},
        {"x samplerCube \n .y", "x sampler2D \n .y"},
        {"f(samplerCube )", "f(sampler2D )"},
        {"\nsamplerCube a; samplerCube b;", "\nsampler2D a; sampler2D b;"},
        // All together the wrappers stack in front.
        {"uniform samplerCube env;\nvoid main() { gl_FragColor = texture2D(s,u) + "
         "texture2DLod(s,u,1.0) + textureCube(env,vec3(0.0,1.0,0.0)); }\n",
         kCube + kLod + k2D +
             "uniform sampler2D env;\nvoid repl_main() { gl_FragColor = repl_texture2D(s,u) + "
             "repl_texture2DLod(s,u,1.0) + repl_textureCube(env,vec3(0.0,1.0,0.0)); }\n" +
             kEntry},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(rewriteFragmentSource(text), expected);
    for (const char lead : {' ', '\t', '\n', '\v', '\f', '\r', '(', '+', '-', '/', '*', '='}) {
        const std::string text = std::string("c") + lead + "texture2D(t,uv)";
        EXPECT_EQ(rewriteFragmentSource(text), k2D + "c" + lead + "repl_texture2D(t,uv)")
            << int(lead);
    }
}

TEST(FragmentRewriter, TextWithoutQualifyingNamesPassesUnchanged) {
    std::vector<std::string> texts{
        "",          "main()",  "void mainColor()", "float domain(float x)",
        "(main()",   "=main()", "*main()",          " main",
        " main  \n", " main;",  "x.main()",         std::string("\0main()", 7)};
    texts.insert(texts.end(), {"c = texture2DProj(t, uv);", "c = texture2D", "c = texture2D ",
                               "c = texture2D ;", "sampler2D texture2D;", "texture2D(t,uv)",
                               "texture2DLod(t,uv,1.0)", "textureCube(e,d)"});
    texts.insert(texts.end(),
                 {"samplerCube env;", "f(samplerCube)", "f(samplerCube, e)", "f(e,samplerCube e)",
                  "mysamplerCube e", " samplerCube", " samplerCube;", " samplerCubeArray e"});
    // Commas, dots, identifiers and other punctuation do not lead a call.
    for (const char lead : {',', '.', '_', 'y', '0', '!', ';', '{', ')', '<', '?', ':', '\0'})
        texts.push_back(std::string("c") + lead + "texture2D(t,uv)");
    for (const std::string& text : texts) EXPECT_EQ(rewriteFragmentSource(text), text) << text;
}

TEST(FragmentRewriter, CorpusShadersRewriteToTheirExpectedTexts) {
    for (const char* name : {"gaussian_blur.frag", "emboss.frag", "colour_grade.frag",
                             "cube_reflection.frag", "mip_glow.frag"}) {
        const std::string source = readShader(name);
        ASSERT_FALSE(source.empty()) << name;
        EXPECT_EQ(rewriteFragmentSource(source), readShader(std::string(name) + ".expected"))
            << name;
    }
}

}  // namespace
