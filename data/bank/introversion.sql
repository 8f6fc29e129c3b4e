CREATE TABLE "你的性格是内向还是外向？" (
  "测试题号" INTEGER,
  "测试题目" TEXT
);
