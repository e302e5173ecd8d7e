# Writes the engine's source to ${QS_DUKTAPE_DIR}/duktape.cpp with the changes
# that keep every evaluation within its time limit (the check is
# qsScriptTimedOut, HeapGuard.cpp). The engine only checks the time between
# bytecode instructions; these close the ways around that:
# - The check runs every 1024 instructions instead of every 262144, so a loop
#   around a built-in call that runs long but allocates nothing reaches it
#   within a few hundred iterations.
# - The regular expression matcher checks the time every 65536 steps; alone it
#   only stops at a billion steps, tens of seconds for a catastrophic pattern.
# - Once past the deadline the allocator refuses every request (HeapGuard),
#   which ends a long built-in as soon as it grows a buffer; the engine then
#   gives up at once, and between its collections, instead of running ten
#   collections of a full heap before it reports the failure.
# - A collection cannot be interrupted and takes longer the more the heap
#   holds (hundreds of milliseconds for millions of objects), so the heap asks
#   before each one (qsScriptCollectionStarts): one that would end past the
#   deadline, by the time the last ones took per byte, is skipped, since the
#   evaluation fails at the deadline whatever it frees.
# - The collection marks reachable objects recursively down to a fixed depth
#   and leaves the objects at that depth for later. The engine finds them
#   again by scanning the whole heap, once per 256 levels, which makes a long
#   chain of objects (each holding the next) quadratic: tens of seconds for
#   a chain a one-second script builds. The heap instead keeps the objects
#   left at the limit on a stack of its own and marks on from there; only
#   when that stack overflows does it fall back to the scan, which then finds
#   at least as many objects as the stack holds and so runs a bounded number
#   of times.
# Each change must apply: a different engine source stops the configuration.

file(READ ${DUKTAPE_SOURCE_DIR}/duktape.c duk_source)

function(qs_duktape_patch from to expected)
    string(LENGTH "${duk_source}" before)
    string(REPLACE "${from}" "${to}" patched "${duk_source}")
    string(LENGTH "${to}" to_length)
    string(LENGTH "${from}" from_length)
    string(LENGTH "${patched}" after)
    math(EXPR applied "(${after} - ${before}) / (${to_length} - ${from_length})")
    if(NOT applied EQUAL expected)
        message(FATAL_ERROR "duktape.c: '${from}' found ${applied} times, expected ${expected}")
    endif()
    set(duk_source "${patched}" PARENT_SCOPE)
endfunction()

qs_duktape_patch("#define DUK_HTHREAD_INTCTR_DEFAULT (256L * 1024L)"
                 "#define DUK_HTHREAD_INTCTR_DEFAULT (1024L)" 1)
qs_duktape_patch("		re_ctx->steps_count++;\n"
                 "		re_ctx->steps_count++;
		if ((re_ctx->steps_count & 0xFFFFUL) == 0 && qsScriptTimedOut(re_ctx->thr->heap->heap_udata)) {
			DUK_ERROR_RANGE(re_ctx->thr, \"execution timeout\");
		}\n" 1)
qs_duktape_patch("	for (i = 0; i < DUK_HEAP_ALLOC_FAIL_MARKANDSWEEP_LIMIT; i++) {"
                 "	for (i = 0; i < DUK_HEAP_ALLOC_FAIL_MARKANDSWEEP_LIMIT; i++) {
		if (qsScriptTimedOut(heap->heap_udata)) {
			return NULL;
		}" 3)

qs_duktape_patch("		DUK_STATS_INC(heap, stats_ms_skip_count);
		return;
	}
"
                 "		DUK_STATS_INC(heap, stats_ms_skip_count);
		return;
	}
	if (!qsScriptCollectionStarts(heap->heap_udata)) {
		heap->ms_trigger_counter = DUK_HEAP_MARK_AND_SWEEP_TRIGGER_SKIP;
		return;
	}
" 1)
qs_duktape_patch("	 *  Stats dump\n"
                 "	 *  Stats dump
	 */
	qsScriptCollectionEnds(heap->heap_udata);
	/*\n" 1)

qs_duktape_patch("	duk_uint_t ms_recursion_depth;\n"
                 "	duk_uint_t ms_recursion_depth;
	duk_heaphdr *qs_mark_pending[4096];
	duk_size_t qs_mark_pending_count;
	duk_bool_t qs_mark_pending_overflowed;\n" 1)
qs_duktape_patch("		DUK_HEAPHDR_SET_TEMPROOT(h);\n"
                 "		DUK_HEAPHDR_SET_TEMPROOT(h);
		if (heap->qs_mark_pending_count < sizeof(heap->qs_mark_pending) / sizeof(heap->qs_mark_pending[0])) {
			heap->qs_mark_pending[heap->qs_mark_pending_count++] = h;
		} else {
			heap->qs_mark_pending_overflowed = 1;
		}\n" 1)
qs_duktape_patch("	while (DUK_HEAP_HAS_MARKANDSWEEP_RECLIMIT_REACHED(heap)) {\n"
                 "	while (DUK_HEAP_HAS_MARKANDSWEEP_RECLIMIT_REACHED(heap)) {
		while (heap->qs_mark_pending_count > 0) {
			duk__handle_temproot(heap, heap->qs_mark_pending[--heap->qs_mark_pending_count]);
		}
		if (!heap->qs_mark_pending_overflowed) {
			DUK_HEAP_CLEAR_MARKANDSWEEP_RECLIMIT_REACHED(heap);
			break;
		}
		heap->qs_mark_pending_overflowed = 0;\n" 1)

file(WRITE ${QS_DUKTAPE_DIR}/duktape.cpp.new "${duk_source}")
configure_file(${QS_DUKTAPE_DIR}/duktape.cpp.new ${QS_DUKTAPE_DIR}/duktape.cpp COPYONLY)
