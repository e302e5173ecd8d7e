#include "gl/TimerQueries.h"

#include <GL/glew.h>

static_assert(sizeof(GLuint) == sizeof(unsigned int), "query names are GLuint");

TimerQueries::~TimerQueries() {
    clear();
}

bool TimerQueries::supported() {
    return (GLEW_VERSION_3_3 || GLEW_ARB_timer_query) && glGenQueries != nullptr &&
           glGetQueryObjectui64v != nullptr;
}

bool TimerQueries::begin(std::size_t index) {
    while (names_.size() <= index) {
        GLuint name = 0;
        glGenQueries(1, &name);
        if (name == 0)
            return false;
        names_.push_back(name);
    }
    glBeginQuery(GL_TIME_ELAPSED, names_[index]);
    return true;
}

void TimerQueries::end() {
    glEndQuery(GL_TIME_ELAPSED);
}

std::uint64_t TimerQueries::nanoseconds(std::size_t index) const {
    GLuint64 elapsed = 0;
    glGetQueryObjectui64v(names_[index], GL_QUERY_RESULT, &elapsed);
    return elapsed;
}

void TimerQueries::clear() {
    if (!names_.empty())
        glDeleteQueries(static_cast<GLsizei>(names_.size()), names_.data());
    names_.clear();
}
