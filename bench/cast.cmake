reelkeeper_add_bench(bench_cast bench_cast.cpp LIBS reelkeeper_cast Qt6::Test)
