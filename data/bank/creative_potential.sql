CREATE TABLE "你知道自己的创造潜力吗？" (
  "测试题号" INTEGER,
  "测试题目" TEXT,
  "选项""是""" TEXT,
  "选项""否""" TEXT
);
