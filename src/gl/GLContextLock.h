#pragma once
// The lock protocol around the engine's one GL context. Acquiring makes the
// context current on the calling thread first and only then waits for its
// mutex; releasing gives the mutex back first and then detaches the context,
// making current again what the thread had before (a host's own context, or
// none; see OpenGLContext). The mutex is recursive, so holds nest, but every
// release detaches the context: after a nested release the outer holder makes
// no GL call.
//
// The plug-in object owns the context and registers it here while it exists,
// so that GLContextGuard and code outside the plug-in object reach the same
// context without keeping a pointer of their own.
class OpenGLContext;

// Makes `context` the one the argument-free operations work on; null when
// there is none. The caller keeps ownership.
void registerGLContext(OpenGLContext* context);
OpenGLContext* registeredGLContext();

// Acquire: false when there is no context or it cannot be made current here
// (it is current on another thread), without touching the mutex; otherwise
// waits for the mutex and gives true once the thread owns it.
bool lockGLContext(OpenGLContext* context);
// Release: gives back one hold of the mutex (which fails without effect when
// the thread holds none) and detaches the context from the calling thread,
// which gets back the context it had current before.
void unlockGLContext(OpenGLContext* context);

// The same steps on the registered context.
bool lockGLContext();
void unlockGLContext();
