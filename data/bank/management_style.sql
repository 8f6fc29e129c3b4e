CREATE TABLE "你的管理方式测试" (
  "测试题号" INTEGER,
  "测试题目" TEXT
);
