reelkeeper_add_bench(bench_online bench_online.cpp ${PROJECT_SOURCE_DIR}/tests/online/TestServer.cpp
    LIBS reelkeeper_lookup reelkeeper_bench_main Qt6::Network)
target_compile_definitions(bench_online PRIVATE REELKEEPER_ONLINE_DATA="${PROJECT_SOURCE_DIR}/tests/online/data")
